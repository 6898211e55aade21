#include "vbscript/parser.h"

#include <algorithm>

#include "vb/error.h"
#include "vbscript/lexer.h"

namespace tolvex::vbscript {

namespace {

struct ParseFail {
  int32_t number;
  uint32_t pos;
};

int precedence(BinOp op) {
  switch (op) {
    case BinOp::Imp: return 1;
    case BinOp::Eqv: return 2;
    case BinOp::Xor: return 3;
    case BinOp::Or: return 4;
    case BinOp::And: return 5;
    case BinOp::Eq: case BinOp::Ne: case BinOp::Lt: case BinOp::Le: case BinOp::Gt: case BinOp::Ge:
    case BinOp::Is: return 7;
    case BinOp::Concat: return 8;
    case BinOp::Add: case BinOp::Sub: return 9;
    case BinOp::Mod: return 10;
    case BinOp::IDiv: return 11;
    case BinOp::Mul: case BinOp::Div: return 12;
    case BinOp::Pow: return 14;
  }
  return 0;
}
// Whether `read` names the same place as the assignment target `t` (the same variable,
// the same member of the same variable or of Me, the same array by one index).
bool same_name(const Expr& a, const Expr& b) {
  return a.kind == ExprKind::Name && b.kind == ExprKind::Name && !a.parens && !b.parens &&
         vb::iequals(static_cast<const NameExpr&>(a).name, static_cast<const NameExpr&>(b).name);
}

bool same_place(const Expr& t, const Expr& read) {
  if (read.parens || read.kind != t.kind) return false;
  if (t.kind == ExprKind::Name) return same_name(t, read);
  if (t.kind == ExprKind::Member) {
    const auto& a = static_cast<const MemberExpr&>(t);
    const auto& b = static_cast<const MemberExpr&>(read);
    if (!a.object || !b.object || !vb::iequals(a.name, b.name)) return false;
    if (a.object->kind == ExprKind::Me) return b.object->kind == ExprKind::Me && !b.object->parens;
    return same_name(*a.object, *b.object);
  }
  if (t.kind == ExprKind::Call) {
    const auto& a = static_cast<const CallExpr&>(t);
    const auto& b = static_cast<const CallExpr&>(read);
    return same_name(*a.target, *b.target) && a.args.size() == 1 && b.args.size() == 1 && a.args[0].expr &&
           b.args[0].expr;
  }
  return false;
}

constexpr int kNotPrec = 6;
constexpr int kNegPrec = 15;  // above ^: -3 ^ 2 is 9

// Names and nesting of the procedure being parsed.
struct ProcCtx {
  ProcDef* proc = nullptr;  // null at module level
  std::vector<NameExpr*> names;
  NameMap<bool> assigned;
  int do_depth = 0;
  int for_depth = 0;
};

class Parser {
 public:
  Parser(const std::shared_ptr<Chunk>& chunk, const ParseScope* scope) : chunk_(chunk), scope_(scope) {}

  void run_program(Program& out) {
    lex();
    program_ = &out;
    out.chunk = chunk_;
    out.toplevel = std::make_shared<ProcDef>();
    out.toplevel->chunk = chunk_;
    ProcCtx top;
    ctx_ = &top;
    parse_toplevel(out.toplevel->body);
    resolve_module_names(top);
    chunk_->option_explicit = explicit_;
    if (lex_error_.number) throw ParseFail{lex_error_.number, lex_error_.pos};
    check_redefinitions(out);
  }

  // One chunk may declare each module-level name once; a procedure defined again
  // replaces the earlier one (as the Windows engine does).
  static void check_redefinitions(Program& p) {
    NameMap<bool> later;
    for (size_t i = p.procs.size(); i-- > 0;)
      if (!later.emplace(p.procs[i]->name, true).second) p.procs.erase(p.procs.begin() + std::ptrdiff_t(i));
    std::vector<std::pair<uint32_t, const std::string*>> all;
    for (const auto& d : p.globals) all.emplace_back(d.pos, &d.name);
    for (const auto& f : p.procs) all.emplace_back(f->pos, &f->name);
    for (const auto& c : p.classes) all.emplace_back(c->pos, &c->name);
    std::sort(all.begin(), all.end());
    NameMap<bool> seen;
    for (const auto& [pos, name] : all)
      if (!seen.emplace(*name, true).second) throw ParseFail{1041, pos};
  }

  void run_expression(ExprPtr& out) {
    lex();
    ProcCtx top;
    ctx_ = &top;
    skip_newlines();
    out = parse_expr();
    skip_newlines();
    if (cur().type != Tok::Eof) fail(1025);
    resolve_module_names(top);
    if (lex_error_.number) throw ParseFail{lex_error_.number, lex_error_.pos};
  }

 private:
  // ------------------------------------------------------------ tokens
  void lex() {
    LexError le;
    toks_ = tokenize(chunk_->text, le);
    lex_error_ = le;
  }
  const Token& cur() const { return toks_[i_]; }
  const Token& peek(size_t k = 1) const { return toks_[std::min(i_ + k, toks_.size() - 1)]; }
  void next() {
    if (i_ + 1 < toks_.size()) ++i_;
  }
  [[noreturn]] void fail(int32_t number) { fail_at(number, cur().pos); }
  [[noreturn]] void fail_at(int32_t number, uint32_t pos) {
    // A lexical error stands in for whatever the parser expected at its position.
    if (lex_error_.number && pos >= lex_error_.pos) throw ParseFail{lex_error_.number, lex_error_.pos};
    throw ParseFail{number, pos};
  }
  bool is_kw(Kw k) const { return cur().type == Tok::Ident && cur().kw == k; }
  bool accept_kw(Kw k) {
    if (!is_kw(k)) return false;
    next();
    return true;
  }
  void expect_kw(Kw k, int32_t err) {
    if (!accept_kw(k)) fail(err);
  }
  bool accept(Tok t) {
    if (cur().type != t) return false;
    next();
    return true;
  }
  void expect(Tok t, int32_t err) {
    if (!accept(t)) fail(err);
  }
  // A name: an identifier that is not a reserved word.
  bool at_name() const { return cur().type == Tok::Ident && (cur().kw == Kw::None || is_contextual(cur().kw)); }
  std::string expect_name() {
    if (!at_name()) fail(1010);
    std::string n(cur().text);
    next();
    return n;
  }
  // After a dot any word is a member name.
  std::string expect_member_name() {
    if (cur().type != Tok::Ident) fail(1010);
    std::string n(cur().text);
    next();
    return n;
  }
  bool at_line_end() const { return cur().type == Tok::Newline || cur().type == Tok::Eof; }
  bool at_stmt_end() const {
    return cur().type == Tok::Newline || cur().type == Tok::Colon || cur().type == Tok::Eof ||
           (inline_if_ > 0 && is_kw(Kw::Else));
  }
  void expect_stmt_end() {
    if (!at_stmt_end()) fail(1025);
  }
  void expect_line_end() {
    if (cur().type == Tok::Colon) {
      next();
      return;
    }
    if (!at_line_end()) fail(1025);
  }
  void skip_newlines() {
    while (cur().type == Tok::Newline || cur().type == Tok::Colon) next();
  }

  struct DepthGuard {
    explicit DepthGuard(Parser& p) : p_(p) {
      if (++p_.depth_ > kMaxParseDepth) throw ParseFail{28, p_.cur().pos};
    }
    ~DepthGuard() { --p_.depth_; }
    Parser& p_;
  };

  // ------------------------------------------------------------ names
  NameExpr* make_name(uint32_t pos, std::string name) {
    auto* n = new NameExpr(pos, std::move(name));
    ctx_->names.push_back(n);
    return n;
  }
  // A name passed as an argument without parentheses may be changed by the callee.
  static void note_argument(Expr* e) {
    if (e && e->kind == ExprKind::Name && !e->parens) static_cast<NameExpr*>(e)->argument = true;
  }
  void mark_assigned(Expr* e) {
    if (e && e->kind == ExprKind::Name) {
      auto* n = static_cast<NameExpr*>(e);
      n->assigned = true;
      ctx_->assigned[n->name] = true;
    }
  }

  void declare_local(VarDecl d) {
    ProcDef* p = ctx_->proc;
    if (p->slot_of.count(d.name) || (p->returns_value() && vb::iequals(d.name, p->name))) fail_at(1041, d.pos);
    int slot = p->first_local + int(p->locals.size());
    p->slot_of[d.name] = slot;
    p->locals.push_back(std::move(d));
  }

  void resolve_in_scope(NameExpr* n, const ProcDef* proc, const ClassDef* cls) {
    if (proc) {
      if (!n->called && proc->returns_value() && proc->ret_slot >= 0 && vb::iequals(n->name, proc->name)) {
        n->bind = Bind::Local;
        n->slot = proc->ret_slot;
        return;
      }
      auto it = proc->slot_of.find(n->name);
      if (it != proc->slot_of.end()) {
        int li = it->second - proc->first_local;
        const VarDecl* d = li >= 0 && size_t(li) < proc->locals.size() ? &proc->locals[size_t(li)] : nullptr;
        // (A ReDim of a field declared further down the class resizes the field.)
        if (!d || !d->by_redim || !cls || cls->find(n->name) < 0) {
          n->slot = it->second;
          n->bind = d && d->const_value ? Bind::LocalConst : Bind::Local;
          return;
        }
      }
    }
    if (cls) {
      int m = cls->find(n->name);
      if (m >= 0) {
        const ClassMember& cm = cls->members[size_t(m)];
        if (cm.kind == ClassMember::Kind::Field) {
          n->bind = Bind::Field;
          n->slot = cm.field;
        } else {
          n->bind = Bind::ClassMember;
          n->slot = m;
        }
        return;
      }
    }
    n->bind = Bind::Dynamic;
  }

  void finish_proc(ProcCtx& pc, const ClassDef* cls) {
    ProcDef* p = pc.proc;
    NameMap<int> implicit;
    for (NameExpr* n : pc.names) {
      resolve_in_scope(n, p, cls);
      if (n->bind == Bind::Dynamic && pc.assigned.count(n->name)) {
        auto it = implicit.find(n->name);
        if (it == implicit.end()) {
          int slot = p->first_local + int(p->locals.size()) + int(implicit.size());
          it = implicit.emplace(n->name, slot).first;
          p->implicit_slots.emplace_back(n->name, slot);
        }
        n->implicit_slot = it->second;
      }
    }
    p->nslots = p->first_local + int(p->locals.size()) + int(implicit.size());
    // Parameters the body only reads (see Param::read_only).
    bool runs_text = false;
    for (const NameExpr* n : pc.names)
      if (n->bind == Bind::Dynamic &&
          (vb::iequals(n->name, "Execute") || vb::iequals(n->name, "ExecuteGlobal") || vb::iequals(n->name, "Eval")))
        runs_text = true;
    for (auto& prm : p->params) prm.read_only = !runs_text;
    for (const NameExpr* n : pc.names)
      if (n->bind == Bind::Local && n->slot < int(p->params.size()) && (n->assigned || n->argument))
        p->params[size_t(n->slot)].read_only = false;
    if (cls)
      for (VarDecl& d : p->locals)
        if (d.by_redim && cls->find(d.name) >= 0) d.by_redim = d.is_array = false;  // the field's instead
    p->init_locals = std::any_of(p->locals.begin(), p->locals.end(),
                                 [](const VarDecl& d) { return d.is_array || d.const_value; });
  }

  void resolve_module_names(ProcCtx& pc) {
    const ProcDef* sp = scope_ ? scope_->proc : nullptr;
    const ClassDef* sc = scope_ ? scope_->cls : nullptr;
    for (NameExpr* n : pc.names) {
      if (sp || sc) {
        n->called = true;  // Execute text never reaches the caller's return slot by name
        resolve_in_scope(n, sp, sc);
        if (n->bind == Bind::Dynamic && sp) {
          // A variable the procedure makes by assigning it is the same one here.
          for (const auto& [name, slot] : sp->implicit_slots)
            if (vb::iequals(name, n->name)) n->implicit_slot = slot;
        }
      } else {
        n->bind = Bind::Dynamic;
      }
    }
  }

  // ------------------------------------------------------------ module level
  void parse_toplevel(Block& body) {
    bool only_options = true;  // nothing but Option statements so far
    for (;;) {
      skip_newlines();
      if (cur().type == Tok::Eof) return;
      const bool options_allowed = only_options;
      only_options = false;
      uint32_t start = cur().pos;
      bool is_public = true, is_private = false;
      size_t save = i_;
      if (is_kw(Kw::Public) || is_kw(Kw::Private)) {
        is_private = is_kw(Kw::Private);
        is_public = !is_private;
        next();
        if (is_kw(Kw::Default)) fail(1057);
      }
      if (is_kw(Kw::Sub) || is_kw(Kw::Function)) {
        program_->procs.push_back(parse_procedure(nullptr, is_public, false, start));
        continue;
      }
      if (is_kw(Kw::Property) && (peek().kw == Kw::Get || peek().kw == Kw::Let || peek().kw == Kw::Set)) fail(1048);
      if (is_kw(Kw::Class)) {
        if (save != i_) fail(1002);
        program_->classes.push_back(parse_class());
        continue;
      }
      if (is_kw(Kw::Option)) {
        if (!options_allowed || save != i_) fail(1024);  // it must come before every other statement
        next();
        expect_kw(Kw::Explicit, 1002);
        explicit_ = true;
        expect_line_end();
        only_options = true;
        continue;
      }
      if (save != i_ || is_kw(Kw::Dim)) {
        if (is_kw(Kw::Dim)) next();
        if (is_kw(Kw::Const)) {
          next();
          parse_const_list(program_->globals, is_public);
        } else {
          parse_dim_list(program_->globals, is_public || !is_private);
        }
        expect_line_end_or_stmt();
        continue;
      }
      if (is_kw(Kw::Const)) {
        next();
        parse_const_list(program_->globals, true);
        expect_line_end_or_stmt();
        continue;
      }
      parse_statement(body);
      expect_line_end_or_stmt();
    }
  }

  void expect_line_end_or_stmt() {
    if (cur().type == Tok::Colon || cur().type == Tok::Newline) {
      next();
      return;
    }
    if (cur().type != Tok::Eof) fail(1025);
  }

  void parse_dim_list(std::vector<VarDecl>& out, bool is_public) {
    do {
      VarDecl d;
      d.pos = cur().pos;
      d.name = expect_name();
      d.is_public = is_public;
      if (accept(Tok::LParen)) {
        d.is_array = true;
        if (!accept(Tok::RParen)) {
          do {
            if (cur().type != Tok::Number || !cur().value.is_integral()) fail(1026);
            int32_t ub = cur().value.type() == vb::VarType::Integer ? cur().value.raw_integer() : cur().value.raw_long();
            d.bounds.push_back(ub);
            next();
          } while (accept(Tok::Comma));
          expect(Tok::RParen, 1006);
        }
      }
      out.push_back(std::move(d));
    } while (accept(Tok::Comma));
  }

  void parse_const_list(std::vector<VarDecl>& out, bool is_public) {
    do {
      VarDecl d;
      d.pos = cur().pos;
      d.name = expect_name();
      d.is_public = is_public;
      expect(Tok::Eq, 1011);
      d.const_value = parse_expr();
      out.push_back(std::move(d));
    } while (accept(Tok::Comma));
  }

  void parse_params(ProcDef& p) {
    if (!accept(Tok::LParen)) return;
    if (accept(Tok::RParen)) return;
    do {
      Param prm;
      if (accept_kw(Kw::ByVal)) prm.byval = true;
      else accept_kw(Kw::ByRef);
      uint32_t pos = cur().pos;
      prm.name = expect_name();
      if (accept(Tok::LParen)) expect(Tok::RParen, 1006);
      if (p.slot_of.count(prm.name)) fail_at(1041, pos);
      p.slot_of[prm.name] = int(p.params.size());
      p.params.push_back(std::move(prm));
    } while (accept(Tok::Comma));
    expect(Tok::RParen, 1006);
  }

  // At "Sub", "Function" or "Property".
  ProcPtr parse_procedure(ClassDef* cls, bool is_public, bool is_default, uint32_t start) {
    auto p = std::make_shared<ProcDef>();
    p->chunk = chunk_;
    p->pos = start;
    p->is_public = is_public;
    p->is_default = is_default;
    p->owner = cls;
    Kw end_kw;
    int32_t end_err;
    if (accept_kw(Kw::Sub)) {
      p->kind = ProcKind::Sub;
      end_kw = Kw::Sub;
      end_err = 1016;
    } else if (accept_kw(Kw::Function)) {
      p->kind = ProcKind::Function;
      end_kw = Kw::Function;
      end_err = 1015;
    } else {
      expect_kw(Kw::Property, 1050);
      if (accept_kw(Kw::Get)) p->kind = ProcKind::PropertyGet;
      else if (accept_kw(Kw::Let)) p->kind = ProcKind::PropertyLet;
      else if (accept_kw(Kw::Set)) p->kind = ProcKind::PropertySet;
      else fail(1049);
      end_kw = Kw::Property;
      end_err = 1050;
    }
    if (is_default && p->kind != ProcKind::Function && p->kind != ProcKind::PropertyGet &&
        p->kind != ProcKind::Sub)
      fail(1058);
    p->name = expect_name();
    parse_params(*p);
    if ((p->kind == ProcKind::PropertyLet || p->kind == ProcKind::PropertySet) && p->params.empty()) fail(1054);
    if (p->returns_value()) p->ret_slot = int(p->params.size());
    p->first_local = int(p->params.size()) + (p->returns_value() ? 1 : 0);
    // The body may begin on the header's line, with or without a colon (Sub F() x = 1).
    if (cur().type == Tok::Colon || cur().type == Tok::Newline) next();

    ProcCtx pc;
    pc.proc = p.get();
    ProcCtx* saved = ctx_;
    ctx_ = &pc;
    parse_block(p->body);
    if (!is_kw(Kw::End)) fail(1014);
    next();
    if (!accept_kw(end_kw)) fail(end_err);
    ctx_ = saved;
    if (cls) {
      pending_.push_back({std::move(pc), p.get()});
    } else {
      finish_proc(pc, nullptr);
    }
    if (!(cls && is_kw(Kw::End))) expect_stmt_end();  // End Class may follow on the line
    return p;
  }

  struct Pending {
    ProcCtx ctx;
    ProcDef* proc;
  };

  ClassPtr parse_class() {
    auto c = std::make_shared<ClassDef>();
    c->pos = cur().pos;
    c->chunk = chunk_;
    next();  // Class
    c->name = expect_name();
    expect_line_end();
    pending_.clear();
    for (;;) {
      skip_newlines();
      if (cur().type == Tok::Eof) fail(1014);
      uint32_t start = cur().pos;
      if (is_kw(Kw::End)) {
        next();
        expect_kw(Kw::Class, 1047);
        break;
      }
      bool is_public = true, is_default = false, has_access = false;
      if (is_kw(Kw::Public) || is_kw(Kw::Private)) {
        is_public = is_kw(Kw::Public);
        has_access = true;
        next();
        if (is_kw(Kw::Default)) {
          if (!is_public) fail(1057);
          is_default = true;
          next();
        }
      } else if (is_kw(Kw::Default)) {
        fail(1057);
      }
      if (is_kw(Kw::Sub) || is_kw(Kw::Function) || is_kw(Kw::Property)) {
        ProcPtr p = parse_procedure(c.get(), is_public, is_default, start);
        add_class_proc(*c, p, start);
        continue;
      }
      if (is_default) fail(1058);
      if (is_kw(Kw::Dim)) {
        next();
      } else if (!has_access) {
        fail(1024);
      }
      std::vector<VarDecl> fields;
      if (accept_kw(Kw::Const)) parse_const_list(fields, is_public);  // a field set when the object is made
      else parse_dim_list(fields, is_public);
      for (auto& f : fields) {
        if (c->find(f.name) >= 0) fail_at(1041, f.pos);
        ClassMember m;
        m.name = f.name;
        m.kind = ClassMember::Kind::Field;
        m.is_public = f.is_public;
        m.field = int(c->fields.size());
        c->member_of[f.name] = int(c->members.size());
        c->members.push_back(std::move(m));
        c->fields.push_back(std::move(f));
      }
      if (!is_kw(Kw::End)) expect_line_end_or_stmt();  // End Class may follow on the line
    }
    for (auto& pd : pending_) finish_proc(pd.ctx, c.get());
    pending_.clear();
    return c;
  }

  void add_class_proc(ClassDef& c, const ProcPtr& p, uint32_t start) {
    if (vb::iequals(p->name, "Class_Initialize") || vb::iequals(p->name, "Class_Terminate")) {
      if (p->kind != ProcKind::Sub) fail_at(1002, start);
      if (!p->params.empty()) fail_at(1053, start);
      (vb::iequals(p->name, "Class_Initialize") ? c.initialize : c.terminate) = p;
    }
    int idx = c.find(p->name);
    bool is_prop = p->kind == ProcKind::PropertyGet || p->kind == ProcKind::PropertyLet ||
                   p->kind == ProcKind::PropertySet;
    if (idx < 0) {
      ClassMember m;
      m.name = p->name;
      m.is_public = p->is_public;
      m.kind = is_prop ? ClassMember::Kind::Property : ClassMember::Kind::Method;
      idx = int(c.members.size());
      c.member_of[p->name] = idx;
      c.members.push_back(std::move(m));
    }
    ClassMember& m = c.members[size_t(idx)];
    if (is_prop) {
      if (m.kind != ClassMember::Kind::Property) fail_at(1041, start);
      ProcPtr& slot = p->kind == ProcKind::PropertyGet ? m.get : p->kind == ProcKind::PropertyLet ? m.let : m.set;
      if (slot) fail_at(1041, start);
      slot = p;
      if (p->is_public) m.is_public = true;
    } else {
      if (m.method || m.kind != ClassMember::Kind::Method) fail_at(1041, start);
      m.method = p;
    }
    if (p->is_default) {
      if (c.default_member >= 0 && c.default_member != idx) fail_at(1052, start);
      c.default_member = idx;
    }
  }

  // ------------------------------------------------------------ blocks
  bool at_block_end() const {
    if (cur().type == Tok::Eof) return true;
    if (cur().type != Tok::Ident) return false;
    switch (cur().kw) {
      case Kw::End: case Kw::Wend: case Kw::Else: case Kw::ElseIf: case Kw::Case:
        return true;
      // Outside every loop of their kind they are statements in error (parse_statement).
      case Kw::Next: return ctx_->for_depth > 0;
      case Kw::Loop: return ctx_->do_depth > 0;
      default:
        return false;
    }
  }

  void parse_block(Block& out) {
    DepthGuard guard(*this);
    for (;;) {
      skip_newlines();
      if (at_block_end()) return;
      parse_statement(out);
      if (cur().type == Tok::Colon || cur().type == Tok::Newline) {
        next();
        continue;
      }
      if (at_block_end()) continue;
      fail(1025);
    }
  }

  // Statements of a single-line If up to the end of the line (or Else).
  // The end of a one-line If's statements: the line's end, its Else, or an End If
  // (if c then x = 1 end if).
  bool at_inline_end() const {
    return at_line_end() || is_kw(Kw::Else) || (is_kw(Kw::End) && peek().kw == Kw::If);
  }
  void parse_inline(Block& out) {
    DepthGuard guard(*this);
    for (;;) {
      if (cur().type == Tok::Colon) {
        next();
        continue;
      }
      if (at_inline_end()) return;
      parse_statement(out);
      if (cur().type == Tok::Colon) continue;
      if (at_inline_end()) return;
      fail(1025);
    }
  }

  void parse_statement(Block& out) {
    const Token& t = cur();
    uint32_t pos = t.pos;
    if (t.type == Tok::Ident) {
      switch (t.kw) {
        case Kw::Dim:
        case Kw::Private:
        case Kw::Public: {
          if (!ctx_->proc && !is_kw(Kw::Dim) && (peek().kw == Kw::Sub || peek().kw == Kw::Function)) {
            const bool pub = is_kw(Kw::Public);
            next();
            program_->procs.push_back(parse_procedure(nullptr, pub, false, pos));
            return;
          }
          if (!ctx_->proc) {
            // Only at module level through Execute text: declare as globals.
            bool pub = !is_kw(Kw::Private);
            next();
            if (is_kw(Kw::Const)) {
              next();
              parse_const_list(program_->globals, pub);
            } else {
              parse_dim_list(program_->globals, pub);
            }
            return;
          }
          if (!is_kw(Kw::Dim)) fail(1002);
          next();
          std::vector<VarDecl> ds;
          parse_dim_list(ds, true);
          for (auto& d : ds) declare_local(std::move(d));
          return;
        }
        case Kw::Const: {
          next();
          if (!ctx_->proc) {
            parse_const_list(program_->globals, true);
            return;
          }
          std::vector<VarDecl> ds;
          parse_const_list(ds, true);
          for (auto& d : ds) declare_local(std::move(d));
          return;
        }
        case Kw::ReDim: return parse_redim(out);
        case Kw::Erase: {
          next();
          auto st = std::make_unique<EraseStmt>(pos);
          uint32_t npos = cur().pos;
          st->var.reset(make_name(npos, expect_name()));
          out.push_back(std::move(st));
          return;
        }
        case Kw::If: return parse_if(out);
        case Kw::Select: return parse_select(out);
        case Kw::For: return parse_for(out);
        case Kw::Do: return parse_do(out);
        case Kw::While: return parse_while(out);
        case Kw::With: return parse_with(out);
        case Kw::On: {
          next();
          expect_kw(Kw::Error, 1002);
          if (accept_kw(Kw::Resume)) {
            expect_kw(Kw::Next, 1002);
            out.push_back(std::make_unique<OnErrorStmt>(pos, true));
          } else {
            expect_kw(Kw::GoTo, 1002);
            if (cur().type != Tok::Number || !cur().value.is_integral() || cur().value.raw_integer() != 0) fail(1002);
            next();
            out.push_back(std::make_unique<OnErrorStmt>(pos, false));
          }
          return;
        }
        case Kw::Exit: {
          next();
          ExitKind k;
          if (accept_kw(Kw::Do)) {
            if (ctx_->do_depth == 0) fail_at(1039, pos);
            k = ExitKind::Do;
          } else if (accept_kw(Kw::For)) {
            if (ctx_->for_depth == 0) fail_at(1039, pos);
            k = ExitKind::For;
          } else {
            ProcDef* p = ctx_->proc;
            bool okk = false;
            if (accept_kw(Kw::Sub)) okk = p && p->kind == ProcKind::Sub;
            else if (accept_kw(Kw::Function)) okk = p && p->kind == ProcKind::Function;
            else if (accept_kw(Kw::Property)) okk = p && p->kind >= ProcKind::PropertyGet;
            else fail(1002);
            if (!okk) fail_at(1039, pos);
            k = ExitKind::Proc;
          }
          out.push_back(std::make_unique<ExitStmt>(pos, k));
          return;
        }
        case Kw::Set: {
          next();
          auto st = std::make_unique<AssignStmt>(pos);
          st->is_set = true;
          st->target = parse_target();
          expect(Tok::Eq, 1011);
          if (is_kw(Kw::New)) {
            uint32_t npos = cur().pos;
            next();
            st->value = std::make_unique<NewExpr>(npos, expect_name());
            if (cur().type == Tok::Dot && !cur().space_before) st->value = parse_postfix(std::move(st->value));
          } else {
            st->value = parse_expr();
          }
          out.push_back(std::move(st));
          return;
        }
        case Kw::Let: {
          next();
          auto st = std::make_unique<AssignStmt>(pos);
          st->target = parse_target();
          expect(Tok::Eq, 1011);
          st->value = parse_expr();
          out.push_back(std::move(st));
          return;
        }
        case Kw::Call: {
          next();
          auto st = std::make_unique<CallStmt>(pos);
          // Call (New C).M() and Call (f)(x): an expression in parentheses with its parts.
          ExprPtr target = cur().type == Tok::LParen ? parse_primary() : parse_postfix_chain();
          if (target->kind == ExprKind::Name) static_cast<NameExpr*>(target.get())->called = true;
          st->call = std::move(target);
          out.push_back(std::move(st));
          return;
        }
        case Kw::Stop:
          next();
          out.push_back(std::make_unique<Stmt>(StmtKind::Nop, pos));
          return;
        case Kw::Loop:
          fail(1038);
        case Kw::Next:
          fail(1055);
        case Kw::Sub:
        case Kw::Function:
          // At script level a procedure may stand inside a block (an If, say); it is
          // defined whether or not the block runs.
          if (!ctx_->proc && inline_if_ == 0) {
            program_->procs.push_back(parse_procedure(nullptr, true, false, pos));
            return;
          }
          fail(1024);
        case Kw::Property:
          // Property is a plain name unless a procedure header follows.
          if (peek().kw == Kw::Get || peek().kw == Kw::Let || peek().kw == Kw::Set) fail(1024);
          break;
        case Kw::Class:
        case Kw::Option:
          fail(1024);
        case Kw::Me:
        case Kw::None:
          break;
        default:
          if (!is_contextual(t.kw)) fail(1024);
          break;
      }
    } else if (t.type != Tok::Dot) {
      fail(1024);
    }
    parse_assign_or_call(out);
  }

  // The target of an assignment: a name or a member chain, with indexes.
  ExprPtr parse_target() {
    if (!at_name() && cur().type != Tok::Dot && !is_kw(Kw::Me)) fail(1010);
    ExprPtr e = parse_postfix_chain();
    if (e->kind != ExprKind::Name && e->kind != ExprKind::Call && e->kind != ExprKind::Member) fail(1002);
    mark_assigned(e.get());
    return e;
  }

  void parse_assign_or_call(Block& out) {
    uint32_t pos = cur().pos;
    size_t tok_save = i_;
    size_t names_save = ctx_->names.size();
    ExprPtr e = parse_postfix_chain();
    if (cur().type == Tok::Eq) {
      if (e->kind != ExprKind::Name && e->kind != ExprKind::Call && e->kind != ExprKind::Member) fail(1002);
      next();
      auto st = std::make_unique<AssignStmt>(pos);
      bool one_arg_call = e->kind == ExprKind::Call && static_cast<CallExpr*>(e.get())->args.size() == 1;
      st->target = std::move(e);
      const size_t value_names = ctx_->names.size();
      st->value = parse_expr();
      if (one_arg_call && cur().type == Tok::Comma) {
        // name (a) = b, c: a call whose first argument is the comparison (a) = b.
        st.reset();
        i_ = tok_save;
        ctx_->names.resize(names_save);
        ExprPtr callee = parse_postfix_chain(/*stop_at_paren=*/true);
        if (callee->kind == ExprKind::Name) static_cast<NameExpr*>(callee.get())->called = true;
        auto call = std::make_unique<CallExpr>(pos);
        call->target = std::move(callee);
        parse_arg_list(call->args, false);
        auto cs = std::make_unique<CallStmt>(pos);
        cs->call = std::move(call);
        out.push_back(std::move(cs));
        return;
      }
      mark_assigned(st->target.get());
      // s = s & ..., o.s = o.s & ..., a(i) = a(i) & ...: append in place.
      if (st->value->kind == ExprKind::Concat && !st->value->parens) {
        auto* c = static_cast<ConcatExpr*>(st->value.get());
        st->append = same_place(*st->target, *c->operands.front());
        if (st->append && st->target->kind == ExprKind::Name) {
          // Whether code the appended values run could reach the variable: they name
          // it (it may go to a procedure by reference) or run text (Eval, Execute).
          // The first name of the value is the target read.
          const auto& t = static_cast<const NameExpr&>(*st->target);
          for (size_t k = value_names + 1; k < ctx_->names.size(); ++k) {
            const std::string& m = ctx_->names[k]->name;
            if (vb::iequals(m, t.name) || vb::iequals(m, "Eval") || vb::iequals(m, "Execute") ||
                vb::iequals(m, "ExecuteGlobal"))
              st->append_reaches = true;
          }
        }
      }
      out.push_back(std::move(st));
      return;
    }
    if (e->kind == ExprKind::Me || e->kind == ExprKind::Literal) fail(1024);
    auto st = std::make_unique<CallStmt>(pos);
    if (at_stmt_end()) {
      if (e->kind == ExprKind::Call) {
        auto* c = static_cast<CallExpr*>(e.get());
        // name(a) as a statement passes (a) by value; name(a, b) is not allowed.
        if (c->args.size() > 1) fail_at(1044, c->pos);
        if (c->args.size() == 1 && c->args[0].expr) c->args[0].expr->parens = true;
        if (c->target->kind == ExprKind::Name) static_cast<NameExpr*>(c->target.get())->called = true;
      } else if (e->kind == ExprKind::Name) {
        static_cast<NameExpr*>(e.get())->called = true;
      }
      st->call = std::move(e);
      out.push_back(std::move(st));
      return;
    }
    // Arguments without parentheses: name a, b.  A trailing "(x)" that the chain took
    // as an argument list is really the start of the first argument: name (x) + 1, y.
    auto call = std::make_unique<CallExpr>(pos);
    ExprPtr first;
    if (e->kind == ExprKind::Call && cur().type != Tok::LParen) {
      auto* c = static_cast<CallExpr*>(e.get());
      if (c->args.size() == 1 && c->args[0].expr) {
        ExprPtr inner = std::move(c->args[0].expr);
        inner->parens = true;
        first = parse_expr_from(std::move(inner));
        e = std::move(c->target);
      } else {
        fail(1044);
      }
    }
    if (e->kind == ExprKind::Name) static_cast<NameExpr*>(e.get())->called = true;
    call->target = std::move(e);
    if (first) {
      note_argument(first.get());
      call->args.push_back(Arg{std::move(first)});
      if (!accept(Tok::Comma)) {
        expect_stmt_end();
        st->call = std::move(call);
        out.push_back(std::move(st));
        return;
      }
    }
    parse_arg_list(call->args, /*in_parens=*/false);
    st->call = std::move(call);
    out.push_back(std::move(st));
  }

  // Arguments separated by commas; empty ones are omitted arguments.
  void parse_arg_list(std::vector<Arg>& args, bool in_parens) {
    for (;;) {
      bool end = in_parens ? cur().type == Tok::RParen : at_stmt_end();
      if (cur().type == Tok::Comma || end) {
        args.push_back(Arg{});
      } else {
        args.push_back(Arg{parse_expr()});
        note_argument(args.back().expr.get());
      }
      if (accept(Tok::Comma)) continue;
      break;
    }
    if (args.size() == 1 && !args[0].expr) args.clear();
  }

  void parse_redim(Block& out) {
    uint32_t pos = cur().pos;
    next();
    auto st = std::make_unique<ReDimStmt>(pos);
    if (accept_kw(Kw::Preserve)) st->preserve = true;
    do {
      ReDimStmt::Item item;
      uint32_t npos = cur().pos;
      std::string name = expect_name();
      if (ctx_->proc && !ctx_->proc->slot_of.count(name) &&
          !(ctx_->proc->owner && ctx_->proc->owner->find(name) >= 0)) {
        VarDecl d;
        d.name = name;
        d.pos = npos;
        d.is_array = true;
        d.by_redim = true;
        declare_local(std::move(d));
      }
      NameExpr* n = make_name(npos, name);
      mark_assigned(n);
      item.var.reset(n);
      expect(Tok::LParen, 1005);
      do {
        item.bounds.push_back(parse_expr());
      } while (accept(Tok::Comma));
      expect(Tok::RParen, 1006);
      st->items.push_back(std::move(item));
    } while (accept(Tok::Comma));
    out.push_back(std::move(st));
  }

  void parse_if(Block& out) {
    DepthGuard guard(*this);
    auto st = std::make_unique<IfStmt>(cur().pos);
    next();
    IfStmt::Branch br;
    br.cond = parse_expr();
    expect_kw(Kw::Then, 1017);
    if (!at_line_end()) {
      // Single-line If.
      ++inline_if_;
      parse_inline(br.body);
      st->branches.push_back(std::move(br));
      if (accept_kw(Kw::Else)) parse_inline(st->else_body);
      if (is_kw(Kw::End) && peek().kw == Kw::If) {
        next();
        next();
      }
      --inline_if_;
      out.push_back(std::move(st));
      return;
    }
    int saved_inline = inline_if_;
    inline_if_ = 0;
    parse_block(br.body);
    st->branches.push_back(std::move(br));
    for (;;) {
      if (is_kw(Kw::ElseIf)) {
        next();
        IfStmt::Branch b;
        b.cond = parse_expr();
        expect_kw(Kw::Then, 1017);
        parse_block(b.body);
        st->branches.push_back(std::move(b));
        continue;
      }
      if (accept_kw(Kw::Else)) {
        parse_block(st->else_body);
        if (is_kw(Kw::Else) || is_kw(Kw::ElseIf)) fail(1014);
      }
      break;
    }
    if (!is_kw(Kw::End)) fail(1014);
    next();
    expect_kw(Kw::If, 1012);
    inline_if_ = saved_inline;
    out.push_back(std::move(st));
  }

  void parse_select(Block& out) {
    DepthGuard guard(*this);
    auto st = std::make_unique<SelectStmt>(cur().pos);
    next();
    expect_kw(Kw::Case, 1021);
    st->subject = parse_expr();
    int saved_inline = inline_if_;
    inline_if_ = 0;
    skip_newlines();
    for (;;) {
      skip_newlines();
      if (is_kw(Kw::End)) break;
      if (!is_kw(Kw::Case)) fail(1021);
      next();
      if (accept_kw(Kw::Else)) {
        if (st->has_else) fail(1002);
        st->has_else = true;
        parse_block(st->else_body);
        continue;
      }
      if (st->has_else) fail(1002);
      SelectStmt::Case c;
      do {
        c.values.push_back(parse_expr());
      } while (accept(Tok::Comma));
      parse_block(c.body);
      st->cases.push_back(std::move(c));
    }
    next();
    expect_kw(Kw::Select, 1022);
    inline_if_ = saved_inline;
    out.push_back(std::move(st));
  }

  void parse_for(Block& out) {
    DepthGuard guard(*this);
    uint32_t pos = cur().pos;
    next();
    int saved_inline = inline_if_;
    inline_if_ = 0;
    if (accept_kw(Kw::Each)) {
      auto st = std::make_unique<ForEachStmt>(pos);
      uint32_t npos = cur().pos;
      if (!at_name()) fail(1010);
      NameExpr* n = make_name(npos, expect_name());
      mark_assigned(n);
      st->var.reset(n);
      expect_kw(Kw::In, 1046);
      st->collection = parse_expr();
      ++ctx_->for_depth;
      parse_block(st->body);
      --ctx_->for_depth;
      end_next(n->name);
      inline_if_ = saved_inline;
      out.push_back(std::move(st));
      return;
    }
    auto st = std::make_unique<ForStmt>(pos);
    uint32_t npos = cur().pos;
    if (!at_name()) fail(1010);
    NameExpr* n = make_name(npos, expect_name());
    mark_assigned(n);
    st->var.reset(n);
    if (cur().type == Tok::LParen || cur().type == Tok::Dot) fail(1040);
    expect(Tok::Eq, 1011);
    st->start = parse_expr();
    expect_kw(Kw::To, 1013);
    st->end = parse_expr();
    if (accept_kw(Kw::Step)) st->step = parse_expr();
    ++ctx_->for_depth;
    parse_block(st->body);
    --ctx_->for_depth;
    end_next(n->name);
    inline_if_ = saved_inline;
    out.push_back(std::move(st));
  }

  void end_next(const std::string& var) {
    if (!is_kw(Kw::Next)) fail(1020);
    next();
    if (at_name()) {
      if (!vb::iequals(cur().text, var)) fail(1002);
      next();
    }
  }

  void parse_do(Block& out) {
    DepthGuard guard(*this);
    auto st = std::make_unique<DoStmt>(cur().pos);
    next();
    int saved_inline = inline_if_;
    inline_if_ = 0;
    if (is_kw(Kw::While) || is_kw(Kw::Until)) {
      st->until = is_kw(Kw::Until);
      next();
      st->cond = parse_expr();
    }
    ++ctx_->do_depth;
    parse_block(st->body);
    --ctx_->do_depth;
    if (!is_kw(Kw::Loop)) fail(1019);
    next();
    if (is_kw(Kw::While) || is_kw(Kw::Until)) {
      if (st->cond) fail(1025);
      st->until = is_kw(Kw::Until);
      next();
      st->cond = parse_expr();
      st->test_first = false;
    }
    inline_if_ = saved_inline;
    out.push_back(std::move(st));
  }

  void parse_while(Block& out) {
    DepthGuard guard(*this);
    auto st = std::make_unique<DoStmt>(cur().pos);
    next();
    int saved_inline = inline_if_;
    inline_if_ = 0;
    st->cond = parse_expr();
    parse_block(st->body);
    if (!is_kw(Kw::Wend)) fail(1018);
    next();
    inline_if_ = saved_inline;
    out.push_back(std::move(st));
  }

  void parse_with(Block& out) {
    DepthGuard guard(*this);
    auto st = std::make_unique<WithStmt>(cur().pos);
    next();
    int saved_inline = inline_if_;
    inline_if_ = 0;
    st->object = parse_expr();
    parse_block(st->body);
    if (!is_kw(Kw::End)) fail(1014);
    next();
    expect_kw(Kw::With, 1029);
    inline_if_ = saved_inline;
    out.push_back(std::move(st));
  }

  // ------------------------------------------------------------ expressions
  // A name or With member followed by any number of .member and (args) parts.
  ExprPtr parse_postfix_chain(bool stop_at_paren = false) {
    DepthGuard guard(*this);
    ExprPtr e;
    uint32_t pos = cur().pos;
    if (cur().type == Tok::Dot) {
      next();
      auto m = std::make_unique<MemberExpr>(pos, expect_member_name());
      e = std::move(m);
    } else if (is_kw(Kw::Me)) {
      next();
      e = std::make_unique<Expr>(ExprKind::Me, pos);
    } else if (at_name()) {
      e.reset(make_name(pos, expect_name()));
    } else {
      fail(1010);
    }
    return parse_postfix(std::move(e), stop_at_paren);
  }

  ExprPtr parse_postfix(ExprPtr e, bool stop_at_paren = false) {
    for (int parts = 0;; ++parts) {
      // Each part nests the tree one level deeper.
      if (parts + depth_ > kMaxParseDepth) fail(28);
      if (cur().type == Tok::LParen && stop_at_paren) {
        // The last parenthesis of the chain opens the first argument.
        size_t j = i_;
        int depth = 0;
        for (; j < toks_.size(); ++j) {
          if (toks_[j].type == Tok::LParen) ++depth;
          else if (toks_[j].type == Tok::RParen && --depth == 0) break;
          else if (toks_[j].type == Tok::Newline || toks_[j].type == Tok::Eof) break;
        }
        if (j + 1 < toks_.size() && toks_[j].type == Tok::RParen && toks_[j + 1].type != Tok::Dot &&
            toks_[j + 1].type != Tok::LParen)
          return e;
      }
      if (cur().type == Tok::LParen) {
        uint32_t pos = cur().pos;
        DepthGuard guard(*this);
        next();
        auto c = std::make_unique<CallExpr>(pos);
        if (e->kind == ExprKind::Name) static_cast<NameExpr*>(e.get())->called = true;
        c->target = std::move(e);
        if (!accept(Tok::RParen)) {
          parse_arg_list(c->args, true);
          expect(Tok::RParen, 1006);
        } else {
          c->args.clear();
        }
        e = std::move(c);
        continue;
      }
      if (cur().type == Tok::Dot && !cur().space_before) {
        uint32_t pos = cur().pos;
        next();
        auto m = std::make_unique<MemberExpr>(pos, expect_member_name());
        m->object = std::move(e);
        e = std::move(m);
        continue;
      }
      return e;
    }
  }

  ExprPtr parse_primary() {
    DepthGuard guard(*this);
    const Token& t = cur();
    uint32_t pos = t.pos;
    switch (t.type) {
      case Tok::Number:
      case Tok::String:
      case Tok::Date: {
        auto e = std::make_unique<LiteralExpr>(pos, t.value);
        next();
        return e;
      }
      case Tok::LParen: {
        next();
        ExprPtr inner = parse_expr();
        expect(Tok::RParen, 1006);
        inner->parens = true;
        // (New C).Prop and (f)(x): a member of the value in parentheses, or arguments
        // (a call, an element or the default member).
        if ((cur().type == Tok::Dot && !cur().space_before) || cur().type == Tok::LParen)
          return parse_postfix(std::move(inner));
        return inner;
      }
      case Tok::Dot:
        // Outside With this still parses; the run reports error 505 if it is reached.
        return parse_postfix_chain();
      case Tok::Ident:
        switch (t.kw) {
          case Kw::True: next(); return std::make_unique<LiteralExpr>(pos, vb::Variant(true));
          case Kw::False: next(); return std::make_unique<LiteralExpr>(pos, vb::Variant(false));
          case Kw::Empty: next(); return std::make_unique<LiteralExpr>(pos, vb::Variant());
          case Kw::Null: next(); return std::make_unique<LiteralExpr>(pos, vb::Variant::null());
          case Kw::Nothing: next(); return std::make_unique<LiteralExpr>(pos, vb::Variant::nothing());
          case Kw::New: {
            next();
            ExprPtr e = std::make_unique<NewExpr>(pos, expect_name());
            // New C.Init(5) is (New C).Init(5).
            if (cur().type == Tok::Dot && !cur().space_before) return parse_postfix(std::move(e));
            return e;
          }
          case Kw::Me:
          case Kw::None:
            return parse_postfix_chain();
          default:
            if (is_contextual(t.kw)) return parse_postfix_chain();
            fail(1023);
        }
      default:
        fail(1023);
    }
  }

  bool binary_op(BinOp& op) const {
    const Token& t = cur();
    switch (t.type) {
      case Tok::Concat: op = BinOp::Concat; return true;
      case Tok::Plus: op = BinOp::Add; return true;
      case Tok::Minus: op = BinOp::Sub; return true;
      case Tok::Star: op = BinOp::Mul; return true;
      case Tok::Slash: op = BinOp::Div; return true;
      case Tok::Backslash: op = BinOp::IDiv; return true;
      case Tok::Caret: op = BinOp::Pow; return true;
      case Tok::Eq: op = BinOp::Eq; return true;
      case Tok::Ne: op = BinOp::Ne; return true;
      case Tok::Lt: op = BinOp::Lt; return true;
      case Tok::Le: op = BinOp::Le; return true;
      case Tok::Gt: op = BinOp::Gt; return true;
      case Tok::Ge: op = BinOp::Ge; return true;
      case Tok::Ident:
        switch (t.kw) {
          case Kw::And: op = BinOp::And; return true;
          case Kw::Or: op = BinOp::Or; return true;
          case Kw::Xor: op = BinOp::Xor; return true;
          case Kw::Eqv: op = BinOp::Eqv; return true;
          case Kw::Imp: op = BinOp::Imp; return true;
          case Kw::Mod: op = BinOp::Mod; return true;
          case Kw::Is: op = BinOp::Is; return true;
          default: return false;
        }
      default:
        return false;
    }
  }

  struct OpEntry {
    bool unary;
    UnOp uop;
    BinOp bop;
    int prec;
    uint32_t pos;
  };

  static ExprPtr combine(BinOp op, ExprPtr lhs, ExprPtr rhs, uint32_t pos) {
    if (op == BinOp::Concat) {
      if (lhs->kind == ExprKind::Concat && !lhs->parens) {
        static_cast<ConcatExpr*>(lhs.get())->operands.push_back(std::move(rhs));
        return lhs;
      }
      auto c = std::make_unique<ConcatExpr>(lhs->pos);
      c->operands.push_back(std::move(lhs));
      c->operands.push_back(std::move(rhs));
      return c;
    }
    uint32_t nest = 1;
    if (lhs->kind == ExprKind::Chain && !lhs->parens) {
      auto* ch = static_cast<ChainExpr*>(lhs.get());
      if (precedence(ch->ops.front()) == precedence(op)) {
        // a + b + c nests as (a + b) + c, each node with one operator, up to
        // kMaxChainNest levels; a longer run goes on as one flat chain.
        if (ch->ops.size() > 1 || ch->nest >= kMaxChainNest) {
          ch->ops.push_back(op);
          ch->operands.push_back(std::move(rhs));
          return lhs;
        }
        nest = ch->nest + 1;
      }
    }
    auto ch = std::make_unique<ChainExpr>(pos);
    ch->nest = nest;
    ch->operands.push_back(std::move(lhs));
    ch->operands.push_back(std::move(rhs));
    ch->ops.push_back(op);
    return ch;
  }

  ExprPtr parse_expr() { return parse_expr_from(nullptr); }

  // Operator-precedence parsing with explicit stacks, so that long operator chains
  // need no recursion. `first`, when given, is an operand already parsed.
  ExprPtr parse_expr_from(ExprPtr first) {
    DepthGuard guard(*this);
    std::vector<ExprPtr> operands;
    std::vector<OpEntry> ops;
    int unary_run = 0;
    auto reduce = [&]() {
      OpEntry o = ops.back();
      ops.pop_back();
      if (o.unary) {
        ExprPtr e = std::move(operands.back());
        operands.pop_back();
        if (o.uop == UnOp::Neg && e->kind == ExprKind::Literal && !e->parens) {
          // Fold negative literals so that -32768 stays one constant.
          auto* lit = static_cast<LiteralExpr*>(e.get());
          lit->hard = false;
          const vb::Variant& v = lit->value;
          if (v.type() == vb::VarType::Integer && v.raw_integer() != INT16_MIN) {
            lit->value = vb::Variant(int16_t(-v.raw_integer()));
            lit->pos = o.pos;
            operands.push_back(std::move(e));
            return;
          }
          if (v.type() == vb::VarType::Long && v.raw_long() != INT32_MIN) {
            int32_t nv = -v.raw_long();
            lit->value = nv >= INT16_MIN ? vb::Variant(int32_t(nv)) : vb::Variant(nv);
            lit->pos = o.pos;
            operands.push_back(std::move(e));
            return;
          }
          if (v.type() == vb::VarType::Double) {
            lit->value = vb::Variant(-v.raw_double());
            lit->pos = o.pos;
            operands.push_back(std::move(e));
            return;
          }
        }
        operands.push_back(std::make_unique<UnaryExpr>(o.pos, o.uop, std::move(e)));
        return;
      }
      ExprPtr rhs = std::move(operands.back());
      operands.pop_back();
      ExprPtr lhs = std::move(operands.back());
      operands.pop_back();
      operands.push_back(combine(o.bop, std::move(lhs), std::move(rhs), o.pos));
    };
    bool expect_operand = true;
    if (first) {
      operands.push_back(std::move(first));
      expect_operand = false;
    }
    for (;;) {
      if (expect_operand) {
        const Token& t = cur();
        if (t.type == Tok::Minus || t.type == Tok::Plus || (t.type == Tok::Ident && t.kw == Kw::Not)) {
          if (++unary_run > kMaxParseDepth) fail(28);
          OpEntry o{true, t.type == Tok::Minus ? UnOp::Neg : t.type == Tok::Plus ? UnOp::Plus : UnOp::Not,
                    BinOp::Add, t.type == Tok::Ident ? kNotPrec : kNegPrec, t.pos};
          ops.push_back(o);
          next();
          continue;
        }
        operands.push_back(parse_primary());
        expect_operand = false;
        continue;
      }
      BinOp op;
      if (!binary_op(op)) break;
      int p = precedence(op);
      while (!ops.empty() && ops.back().prec >= p) reduce();
      ops.push_back(OpEntry{false, UnOp::Neg, op, p, cur().pos});
      next();
      expect_operand = true;
    }
    while (!ops.empty()) reduce();
    return std::move(operands.back());
  }

  std::shared_ptr<Chunk> chunk_;
  const ParseScope* scope_;
  std::vector<Token> toks_;
  LexError lex_error_;
  size_t i_ = 0;
  int depth_ = 0;
  int inline_if_ = 0;
  bool explicit_ = false;
  Program* program_ = nullptr;
  ProcCtx* ctx_ = nullptr;
  std::vector<Pending> pending_;
};

}  // namespace

bool parse_program(const std::shared_ptr<Chunk>& chunk, Program& out, SyntaxError& error, const ParseScope* scope) {
  if (chunk->line_starts.empty()) chunk->index_lines();
  Parser p(chunk, scope);
  try {
    p.run_program(out);
    return true;
  } catch (const ParseFail& f) {
    error.number = f.number;
    error.pos = f.pos;
  } catch (const vb::VBError& e) {
    error.number = e.number();
    error.pos = 0;
  } catch (const std::bad_alloc&) {
    error.number = 7;
    error.pos = 0;
  }
  out = Program{};
  return false;
}

bool parse_expression(const std::shared_ptr<Chunk>& chunk, ExprPtr& out, SyntaxError& error, const ParseScope* scope) {
  if (chunk->line_starts.empty()) chunk->index_lines();
  Parser p(chunk, scope);
  try {
    p.run_expression(out);
    return true;
  } catch (const ParseFail& f) {
    error.number = f.number;
    error.pos = f.pos;
  } catch (const vb::VBError& e) {
    error.number = e.number();
    error.pos = 0;
  } catch (const std::bad_alloc&) {
    error.number = 7;
    error.pos = 0;
  }
  out.reset();
  return false;
}

}  // namespace tolvex::vbscript
