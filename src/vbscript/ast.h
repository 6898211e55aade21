// The parsed and name-resolved form of a script: the interpreter walks these nodes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <typeinfo>
#include <unordered_map>
#include <vector>

#include "vb/dispatch.h"
#include "vb/strings.h"
#include "vb/variant.h"
#include "vbscript/runtime/builtins.h"

namespace tolvex::vbscript {

struct Symbol;
struct ClassDef;
struct ProcDef;
struct Module;
struct Expr;
class Interp;
struct Frame;

template <class V>
using NameMap = std::unordered_map<std::string, V, vb::IHash, vb::IEqual>;

// ---------------------------------------------------------------- expressions

enum class ExprKind : uint8_t { Literal, Name, Call, Member, Me, New, Unary, Chain, Concat };

// Evaluates one kind of node; the interpreter picks a node's handler by its shape the
// first time the node runs (interp_eval.cpp).
using EvalFn = vb::Variant (*)(Interp&, Frame&, const Expr&);
vb::Variant eval_first(Interp& in, Frame& f, const Expr& e);

struct Expr {
  explicit Expr(ExprKind k, uint32_t p) : kind(k), pos(p) {}
  virtual ~Expr() = default;
  ExprKind kind;
  bool parens = false;  // written in parentheses: passed by value
  uint32_t pos;
  mutable EvalFn fn = &eval_first;
};
using ExprPtr = std::unique_ptr<Expr>;

struct LiteralExpr : Expr {
  LiteralExpr(uint32_t p, vb::Variant v) : Expr(ExprKind::Literal, p), value(std::move(v)) {}
  vb::Variant value;
  // A literal as written is "hard" typed in mixed comparisons; a negative number folded
  // into one (-5) stays an expression there, as in the Windows engine.
  bool hard = true;
};

// How a global name was found at run time; cached on the node until globals change.
enum class GlobalKind : uint8_t {
  None, Var, Const, Proc, Class, Object, ObjectMember, Intrinsic, Builtin, Constant,
};

struct GlobalRef {
  GlobalKind kind = GlobalKind::None;
  Symbol* sym = nullptr;
  vb::Dispatch* obj = nullptr;  // Object / ObjectMember
  vb::DispId id = vb::kDispUnknown;
  const Builtin* builtin = nullptr;
  const vb::Variant* constant = nullptr;
  int intrinsic = 0;
  enum class Bound : uint8_t { None, Upper, Lower } bound = Bound::None;  // Builtin: UBound or LBound
};

enum class Bind : uint8_t {
  Dynamic,      // looked up among the globals at run time
  Local,        // a local slot (parameter, Dim, return value)
  LocalConst,   // a local Const
  Field,        // a field of Me (class code)
  ClassMember,  // a method or property of Me (class code)
};

struct NameExpr : Expr {
  NameExpr(uint32_t p, std::string n) : Expr(ExprKind::Name, p), name(std::move(n)) {}
  std::string name;
  Bind bind = Bind::Dynamic;
  int slot = -1;           // local slot, field index or member index
  int implicit_slot = -1;  // a dynamic name assigned in a procedure: its implicit local
  bool assigned = false;   // used as an assignment target (parser bookkeeping)
  bool called = false;     // written as a call target: never the function's return slot
  bool argument = false;   // an argument of a call, not in parentheses (may be passed by reference)
  mutable GlobalRef cache;
  mutable uint64_t cache_gen = 0;
};

struct Arg {
  ExprPtr expr;  // null: an omitted argument
};

// target(args): a call, an array element or a default-member access.
struct CallExpr : Expr {
  explicit CallExpr(uint32_t p) : Expr(ExprKind::Call, p) {}
  ExprPtr target;  // NameExpr, MemberExpr or another expression
  std::vector<Arg> args;
};

// object.name; a null object means the innermost With object.
struct MemberExpr : Expr {
  MemberExpr(uint32_t p, std::string n) : Expr(ExprKind::Member, p), name(std::move(n)) {}
  ExprPtr object;
  std::string name;
  mutable uint64_t cache_class = 0;  // ClassDef::serial
  mutable int cache_member = -1;
  mutable const vb::Dispatch* cache_object = nullptr;  // host objects: the last one seen
  mutable const std::type_info* cache_type = nullptr;
  mutable vb::DispId cache_id = vb::kDispUnknown;
  mutable bool cache_per_class = false;  // the id holds for every object of cache_type
};

struct NewExpr : Expr {
  NewExpr(uint32_t p, std::string n) : Expr(ExprKind::New, p), class_name(std::move(n)) {}
  std::string class_name;
};

enum class UnOp : uint8_t { Neg, Plus, Not };

struct UnaryExpr : Expr {
  UnaryExpr(uint32_t p, UnOp o, ExprPtr e) : Expr(ExprKind::Unary, p), op(o), operand(std::move(e)) {}
  UnOp op;
  ExprPtr operand;
};

enum class BinOp : uint8_t {
  Imp, Eqv, Xor, Or, And,
  Eq, Ne, Lt, Le, Gt, Ge, Is,
  Concat,
  Add, Sub, Mod, IDiv, Mul, Div, Pow,
};

// An operand of a one-operator chain node as its handler finds it: the node, and for
// a literal, local or field where its value stands (filled in when the node first runs).
struct OperandRef {
  const Expr* expr = nullptr;
  const vb::Variant* literal = nullptr;  // a literal's value
  bool hard = false;                     // a hard-typed literal (LiteralExpr::hard)
  int32_t slot = -1;                     // a local's slot or a field's index
  bool field = false;
};

// a op1 b op2 c ...: operators of one precedence level, applied left to right.
// The parser nests short runs as one node per operator ((a op1 b) op2 c) and keeps
// long ones flat, so that evaluating them needs no deep recursion.
struct ChainExpr : Expr {
  explicit ChainExpr(uint32_t p) : Expr(ExprKind::Chain, p) {}
  std::vector<ExprPtr> operands;
  std::vector<BinOp> ops;  // ops[i] joins the result so far with operands[i + 1]
  uint32_t nest = 1;       // one-operator nodes of this level nested down the left side
  mutable uint64_t divisor_magic = 0;  // x Mod literal: the literal's reciprocal (interp_eval.cpp)
  mutable OperandRef lhs, rhs;         // one operator: its operands
};
// The most one-operator chain nodes the parser nests down the left side.
inline constexpr uint32_t kMaxChainNest = 16;

// a & b & c ...: evaluated into one string.
struct ConcatExpr : Expr {
  explicit ConcatExpr(uint32_t p) : Expr(ExprKind::Concat, p) {}
  std::vector<ExprPtr> operands;
};

// ---------------------------------------------------------------- statements

enum class StmtKind : uint8_t {
  Assign, Call, If, Select, For, ForEach, Do, With, ReDim, Erase, OnError, Exit, Nop,
};

struct Stmt {
  Stmt(StmtKind k, uint32_t p) : kind(k), pos(p) {}
  virtual ~Stmt() = default;
  StmtKind kind;
  uint32_t pos;
};
using StmtPtr = std::unique_ptr<Stmt>;
using Block = std::vector<StmtPtr>;

struct AssignStmt : Stmt {
  explicit AssignStmt(uint32_t p) : Stmt(StmtKind::Assign, p) {}
  ExprPtr target;
  ExprPtr value;
  bool is_set = false;
  bool append = false;  // target = target & ...: appended in place
  // name = name & ...: the appended values name the variable again or run text (Eval,
  // Execute), so that code they run may reach it even when it is a local.
  bool append_reaches = false;
  // How the interpreter runs it, chosen the first time it runs (interp_exec.cpp):
  // to a local or field variable, to an element of one by one index, Set of a local or
  // field variable, or in general.
  enum class Plan : uint8_t { Unknown, Variable, Element, SetVariable, General };
  mutable Plan plan = Plan::Unknown;
  mutable bool simple_value = false;      // value_ref locates the value where it stands
  mutable OperandRef value_ref, var_ref;  // the value; the variable (or the array's)
  mutable OperandRef index_ref;           // Element: the index
};

struct CallStmt : Stmt {
  explicit CallStmt(uint32_t p) : Stmt(StmtKind::Call, p) {}
  ExprPtr call;  // NameExpr, MemberExpr or CallExpr
};

struct IfStmt : Stmt {
  explicit IfStmt(uint32_t p) : Stmt(StmtKind::If, p) {}
  struct Branch {
    ExprPtr cond;
    Block body;
  };
  std::vector<Branch> branches;
  Block else_body;
};

struct SelectStmt : Stmt {
  explicit SelectStmt(uint32_t p) : Stmt(StmtKind::Select, p) {}
  struct Case {
    std::vector<ExprPtr> values;
    Block body;
  };
  ExprPtr subject;
  std::vector<Case> cases;
  bool has_else = false;
  Block else_body;
};

struct ForStmt : Stmt {
  explicit ForStmt(uint32_t p) : Stmt(StmtKind::For, p) {}
  ExprPtr var;  // NameExpr
  ExprPtr start, end, step;
  Block body;
};

struct ForEachStmt : Stmt {
  explicit ForEachStmt(uint32_t p) : Stmt(StmtKind::ForEach, p) {}
  ExprPtr var;  // NameExpr
  ExprPtr collection;
  Block body;
};

struct DoStmt : Stmt {
  explicit DoStmt(uint32_t p) : Stmt(StmtKind::Do, p) {}
  ExprPtr cond;  // null: no condition
  bool test_first = true;
  bool until = false;
  Block body;
};

struct WithStmt : Stmt {
  explicit WithStmt(uint32_t p) : Stmt(StmtKind::With, p) {}
  ExprPtr object;
  Block body;
};

struct ReDimStmt : Stmt {
  explicit ReDimStmt(uint32_t p) : Stmt(StmtKind::ReDim, p) {}
  struct Item {
    ExprPtr var;  // NameExpr
    std::vector<ExprPtr> bounds;
  };
  bool preserve = false;
  std::vector<Item> items;
};

struct EraseStmt : Stmt {
  explicit EraseStmt(uint32_t p) : Stmt(StmtKind::Erase, p) {}
  ExprPtr var;
};

struct OnErrorStmt : Stmt {
  OnErrorStmt(uint32_t p, bool r) : Stmt(StmtKind::OnError, p), resume_next(r) {}
  bool resume_next;
};

enum class ExitKind : uint8_t { Do, For, Proc };

struct ExitStmt : Stmt {
  ExitStmt(uint32_t p, ExitKind w) : Stmt(StmtKind::Exit, p), what(w) {}
  ExitKind what;
};

// ---------------------------------------------------------------- declarations

// One piece of source text added at once (AddCode, ExecuteGlobal, Execute, Eval).
struct Chunk {
  std::string text;
  std::vector<uint32_t> line_starts;  // byte offset of each line
  bool option_explicit = false;

  void index_lines();
  // 1-based line and 0-based column (in characters) of a byte offset.
  void position(uint32_t pos, int& line, int& column) const;
  // The text of the line holding pos, without its line end, to show in an error: of a
  // line longer than kShownLineBytes, that many bytes around pos.
  std::string line_text(uint32_t pos) const;
  static constexpr size_t kShownLineBytes = 160;
};

// A variable or constant declared by Dim/Private/Public/Const.
struct VarDecl {
  std::string name;
  uint32_t pos = 0;
  bool is_public = true;
  bool is_array = false;         // Dim a() or Dim a(n)
  // A procedure's local made by ReDim of a name it does not declare: a script-level
  // variable of that name, when there is one as the procedure starts, stands for it.
  bool by_redim = false;
  std::vector<int32_t> bounds;   // upper bounds of a fixed array
  ExprPtr const_value;           // Const
};

enum class ProcKind : uint8_t { Sub, Function, PropertyGet, PropertyLet, PropertySet };

struct Param {
  std::string name;
  bool byval = false;
  // The procedure never assigns the parameter nor passes it on by reference (and runs
  // no Execute or Eval text that could): a by-reference argument that is a literal
  // may then stand for it where it is instead of being copied.
  bool read_only = false;
};

struct ProcDef {
  std::string name;
  ProcKind kind = ProcKind::Sub;
  uint32_t pos = 0;
  bool is_public = true;
  bool is_default = false;
  std::vector<Param> params;
  std::vector<VarDecl> locals;  // Dim and Const, in slot order after params and the return slot
  int ret_slot = -1;
  int first_local = 0;
  int nslots = 0;
  NameMap<int> slot_of;  // every named slot, for Eval and Execute
  std::vector<std::pair<std::string, int>> implicit_slots;
  bool init_locals = false;  // some local is an array or a Const, set up when the procedure starts
  Block body;
  std::shared_ptr<Chunk> chunk;
  const ClassDef* owner = nullptr;
  Module* module = nullptr;  // set when defined

  bool returns_value() const { return kind == ProcKind::Function || kind == ProcKind::PropertyGet; }
};
using ProcPtr = std::shared_ptr<ProcDef>;

struct ClassMember {
  enum class Kind : uint8_t { Field, Method, Property };
  std::string name;
  Kind kind = Kind::Field;
  bool is_public = true;
  int field = -1;  // Field: index in the instance
  ProcPtr method;
  ProcPtr get, let, set;
};

struct ClassDef {
  ClassDef();
  uint64_t serial;  // unique for the process's lifetime: member caches key on it
  std::string name;
  uint32_t pos = 0;
  std::vector<ClassMember> members;
  NameMap<int> member_of;
  std::vector<VarDecl> fields;
  int default_member = -1;
  ProcPtr initialize, terminate;
  std::shared_ptr<Chunk> chunk;
  Module* module = nullptr;

  int find(std::string_view n) const {
    auto it = member_of.find(n);
    return it == member_of.end() ? -1 : it->second;
  }
};
using ClassPtr = std::shared_ptr<ClassDef>;

// The parse result of a chunk: what it declares and its module-level code.
struct Program {
  std::shared_ptr<Chunk> chunk;
  std::vector<ProcPtr> procs;
  std::vector<ClassPtr> classes;
  std::vector<VarDecl> globals;  // module-level Dim/Private/Public/Const, in order
  ProcPtr toplevel;              // module-level statements as a procedure without name
};

}  // namespace tolvex::vbscript
