// Reading and writing one extension attribute of the project, the database, a table,
// a chart or a field by names alone. The setters store only into settings that the
// node's store has; a missing table, chart or field item is first made from the
// extension's definition file when the model has the object. The getters create
// no item of a table, chart or field and answer Null when anything is missing.
#pragma once

#include <string>

#include "model/project.h"
#include "vb/variant.h"

namespace tolvex {

bool SetExtProjAtt(AGP& proj, const std::string& sExtName, const std::string& sAttName, const vb::Variant& val);
vb::Variant GetExtProjAtt(AGP& proj, const std::string& sExtName, const std::string& sAttName);
bool SetExtDbAtt(AGP& proj, const std::string& sExtName, const std::string& sAttName, const vb::Variant& val);
vb::Variant GetExtDbAtt(AGP& proj, const std::string& sExtName, const std::string& sAttName);
bool SetExtTblAtt(AGP& proj, const std::string& sExtName, const std::string& sTblName, const std::string& sAttName,
                  const vb::Variant& val);
vb::Variant GetExtTblAtt(AGP& proj, const std::string& sExtName, const std::string& sTblName,
                         const std::string& sAttName);
bool SetExtChartAtt(AGP& proj, const std::string& sExtName, const std::string& sTblName,
                    const std::string& sChartName, const std::string& sAttName, const vb::Variant& val);
vb::Variant GetExtChartAtt(AGP& proj, const std::string& sExtName, const std::string& sTblName,
                           const std::string& sChartName, const std::string& sAttName);
bool SetExtFldAtt(AGP& proj, const std::string& sExtName, const std::string& sTblName, const std::string& sFldName,
                  const std::string& sAttName, const vb::Variant& val);
vb::Variant GetExtFldAtt(AGP& proj, const std::string& sExtName, const std::string& sTblName,
                         const std::string& sFldName, const std::string& sAttName);

}  // namespace tolvex
