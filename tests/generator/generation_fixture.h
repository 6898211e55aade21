// A project with a database of two tables ("orders" with the fields "id" and "total",
// and the view "v_orders"), the project's control list, and, on request, a started
// generation script engine with extra code in its System module.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>

#include "foundation/context.h"
#include "generator/generation_state.h"
#include "model/database.h"
#include "model/project.h"
#include "model/project_fixture.h"
#include "model/tables.h"
#include "platform/registry.h"
#include "templates/ag_script.h"
#include "templates/template_compiler.h"
#include "vb/variant.h"

namespace tolvex::testing {

class GenerationFixture : public ProjectFixture {
 protected:
  GenerationFixture() {
    proj_ = vb::make_ref<AGP>();
    proj_->databases().Add("db");
    proj_->set_current_database(proj_->databases().Item(vb::Variant("db")));
    db_ = proj_->DB();
    EXPECT_TRUE(db_->Tables()->Add("orders"));
    EXPECT_TRUE(db_->Tables()->Add("v_orders"));
    orders_ = db_->Tables()->Item(vb::Variant("orders"));
    view_ = db_->Tables()->Item(vb::Variant("v_orders"));
    orders_->TblType("TABLE");
    orders_->TblVar("orders");
    view_->TblType("VIEW");
    EXPECT_TRUE(orders_->Fields()->Add("orders", "id"));
    EXPECT_TRUE(orders_->Fields()->Add("orders", "total"));
  }
  ~GenerationFixture() override { ctx().GenerationEngine = nullptr; }

  AGPControls& controls() { return project_controls(*proj_); }
  // Adds a control and makes it the current one (as the output pass's lookup does).
  AGPControl& add_control(const AGPControl& c) {
    EXPECT_TRUE(controls().AddControl(c));
    return *controls().Item(vb::Variant(c.CtrlID));
  }
  // Starts the generation engine over the project and adds `code` to its System module.
  AGScript& start_engine(const std::string& code) {
    auto engine = vb::make_ref<AGScript>();
    engine->Initialize(vb::Variant(proj_), vb::Variant(db_), vb::Variant(project_template_state(*proj_).controls),
                       vb::Variant(), vb::Variant(), vb::Variant(), vb::Variant());
    EXPECT_EQ(ctx().ProjErr, "");
    if (!code.empty()) engine->engine()->add_code(code, AGScript::kSystemModule);
    ctx().GenerationEngine = engine;
    return *engine;
  }

  vb::Ref<AGP> proj_;
  vb::Ref<AGPDatabase> db_;
  vb::Ref<AGPTable> orders_, view_;
};

}  // namespace tolvex::testing
