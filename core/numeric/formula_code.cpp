#include "core/numeric/formula_code.h"

#include <chrono>
#include <cmath>
#include <limits>
#include <mutex>
#include <vector>

#include "core/numeric/formula_rules.h"

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wredundant-move"
#endif
#include <llvm/ExecutionEngine/Orc/ExecutionUtils.h>
#include <llvm/ExecutionEngine/Orc/LLJIT.h>
#include <llvm/ExecutionEngine/Orc/ThreadSafeModule.h>
#include <llvm/IR/IRBuilder.h>
#include <llvm/IR/Intrinsics.h>
#include <llvm/IR/LLVMContext.h>
#include <llvm/IR/Module.h>
#include <llvm/IR/Verifier.h>
#include <llvm/Passes/PassBuilder.h>
#include <llvm/Support/Host.h>
#include <llvm/Support/TargetSelect.h>
#include <llvm/Target/TargetMachine.h>
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

namespace corvane::custom {

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

// The smaller of the two; a NaN in `w` leaves `u`.
double least(double u, double w) { return w < u ? w : u; }

// ---- The tree evaluated, with the signatures of the machine code ----

const FormulaTree& treeOf(const void* context) {
    return static_cast<const FormulaCode*>(context)->tree();
}

double treeValue(const void* c, double a, double x) {
    return evaluate(treeOf(c), a, x, Along::None).value;
}

double treeSlope(const void* c, double a, double x, double* slope) {
    const Dual d = evaluate(treeOf(c), a, x, Along::X);
    *slope = d.derivative;
    return d.value;
}

double treeParameterSlope(const void* c, double a, double x, double* slope) {
    const Dual d = evaluate(treeOf(c), a, x, Along::A);
    *slope = d.derivative;
    return d.value;
}

void track(double& inside, const double* range, double x) {
    inside = least(inside, least(x - range[0], range[1] - x));
}

void treeAdvance(const void* c, const double* a, double* x, double* inside, const double* range,
                 double* out, std::int64_t steps) {
    for (std::int64_t n = 0; n < steps; ++n) {
        for (int l = 0; l < kCodeLanes; ++l) {
            if (std::fabs(x[l]) < kInfinity) x[l] = treeValue(c, a[l], x[l]);
            track(inside[l], range, x[l]);
            if (out) out[n * kCodeLanes + l] = x[l];
        }
    }
}

void treeAdvanceSlopes(const void* c, const double* a, double* x, double* next, double* inside,
                       const double* range, double* product, double* out, std::int64_t steps) {
    for (std::int64_t n = 0; n < steps; ++n) {
        for (int l = 0; l < kCodeLanes; ++l) {
            if (std::fabs(x[l]) < kInfinity) x[l] = next[l];
            track(inside[l], range, x[l]);
            double d = 0;
            next[l] = treeSlope(c, a[l], x[l], &d);
            product[l] *= std::fabs(d);
            out[n * kCodeLanes + l] = x[l];
        }
    }
}

void treeAdvanceTwo(const void* c, const double* a, const double* b, double* x, double* product,
                    double* turns, double* out, std::int64_t steps) {
    const bool wrap = static_cast<const FormulaCode*>(c)->wraps();
    for (std::int64_t n = 0; n < steps; ++n) {
        for (int l = 0; l < kCodeLanes; ++l) {
            const Dual d = evaluate(treeOf(c), a[l], b[l], x[l]);
            product[l] *= std::fabs(d.derivative);
            if (std::fabs(x[l]) < kInfinity) x[l] = d.value;
            if (wrap) {
                const double w = std::floor(x[l]);
                x[l] -= w;
                turns[l] += w;
            }
            if (out) out[n * kCodeLanes + l] = x[l];
        }
    }
}

// ---- Machine code ----

// The C library's functions the code calls, the ones the tree's evaluator
// calls too.
struct LibraryFunction {
    Op op;
    const char* name;
    double (*address)(double);
};

const LibraryFunction kLibrary[] = {
    {Op::Sin, "sin", &::sin},       {Op::Cos, "cos", &::cos},    {Op::Tan, "tan", &::tan},
    {Op::Asin, "asin", &::asin},    {Op::Acos, "acos", &::acos}, {Op::Atan, "atan", &::atan},
    {Op::Sinh, "sinh", &::sinh},    {Op::Cosh, "cosh", &::cosh}, {Op::Tanh, "tanh", &::tanh},
    {Op::Exp, "exp", &::exp},       {Op::Log, "log", &::log},    {Op::Log10, "log10", &::log10},
    {Op::Floor, "floor", &::floor}, {Op::Ceil, "ceil", &::ceil}, {Op::Sqrt, "sqrt", &::sqrt},
    {Op::Abs, "fabs", &::fabs},
};

// Emits each operation as LLVM IR on doubles or on vectors of
// kCodeLanes / kGroups doubles; for formula_rules.h.
struct Emitter {
    using Value = llvm::Value*;
    using Cond = llvm::Value*;

    llvm::IRBuilder<>& ir;
    llvm::Module& module;
    llvm::Type* type;  // double or a vector of doubles

    llvm::Value* constant(double c) { return llvm::ConstantFP::get(type, c); }
    llvm::Value* add(llvm::Value* u, llvm::Value* w) { return ir.CreateFAdd(u, w); }
    llvm::Value* subtract(llvm::Value* u, llvm::Value* w) { return ir.CreateFSub(u, w); }
    llvm::Value* multiply(llvm::Value* u, llvm::Value* w) { return ir.CreateFMul(u, w); }
    llvm::Value* divide(llvm::Value* u, llvm::Value* w) { return ir.CreateFDiv(u, w); }
    llvm::Value* negate(llvm::Value* u) { return ir.CreateFNeg(u); }
    llvm::Value* intrinsic(llvm::Intrinsic::ID id, llvm::Value* u) {
        return ir.CreateUnaryIntrinsic(id, u);
    }
    llvm::Value* sqrt(llvm::Value* u) { return intrinsic(llvm::Intrinsic::sqrt, u); }
    llvm::Value* fabs(llvm::Value* u) { return intrinsic(llvm::Intrinsic::fabs, u); }
    llvm::Value* floor(llvm::Value* u) { return intrinsic(llvm::Intrinsic::floor, u); }
    llvm::Value* ceil(llvm::Value* u) { return intrinsic(llvm::Intrinsic::ceil, u); }

    // A call of the C library, lane by lane; marked as no built-in, so that
    // the optimiser neither folds nor rewrites it (pow(2, x) stays pow).
    llvm::Value* library(const char* name, llvm::Value* u, llvm::Value* w = nullptr) {
        llvm::Type* d = ir.getDoubleTy();
        std::vector<llvm::Type*> params(w ? 2 : 1, d);
        llvm::FunctionCallee f =
            module.getOrInsertFunction(name, llvm::FunctionType::get(d, params, false));
        auto once = [&](llvm::Value* p, llvm::Value* q) {
            llvm::CallInst* call = q ? ir.CreateCall(f, {p, q}) : ir.CreateCall(f, {p});
            call->addFnAttr(llvm::Attribute::NoBuiltin);
            // Pure for the formula's purpose (errno is never read).
            call->addFnAttr(llvm::Attribute::ReadNone);
            call->addFnAttr(llvm::Attribute::WillReturn);
            return call;
        };
        auto* vector = llvm::dyn_cast<llvm::FixedVectorType>(type);
        if (!vector) return once(u, w);
        llvm::Value* result = llvm::UndefValue::get(type);
        for (unsigned l = 0; l < vector->getNumElements(); ++l) {
            llvm::Value* p = ir.CreateExtractElement(u, l);
            llvm::Value* q = w ? ir.CreateExtractElement(w, l) : nullptr;
            result = ir.CreateInsertElement(result, once(p, q), l);
        }
        return result;
    }
    llvm::Value* call(Op op, llvm::Value* u) {
        for (const LibraryFunction& f : kLibrary) {
            if (f.op == op) return library(f.name, u);
        }
        return constant(std::nan(""));
    }
    llvm::Value* power(llvm::Value* u, llvm::Value* w) { return library("pow", u, w); }
    llvm::Value* compare(Op op, llvm::Value* u, llvm::Value* w) {
        switch (op) {
            case Op::Less:
                return ir.CreateFCmpOLT(u, w);
            case Op::Greater:
                return ir.CreateFCmpOGT(u, w);
            case Op::LessEqual:
                return ir.CreateFCmpOLE(u, w);
            case Op::GreaterEqual:
                return ir.CreateFCmpOGE(u, w);
            case Op::Equal:
                return ir.CreateFCmpOEQ(u, w);
            default:
                return ir.CreateFCmpUNE(u, w);
        }
    }
    llvm::Value* truthy(llvm::Value* u) { return ir.CreateFCmpUNE(u, constant(0.0)); }
    llvm::Value* both(llvm::Value* p, llvm::Value* q) { return ir.CreateAnd(p, q); }
    llvm::Value* either(llvm::Value* p, llvm::Value* q) { return ir.CreateOr(p, q); }
    llvm::Value* choose(llvm::Value* c, llvm::Value* u, llvm::Value* w) {
        return ir.CreateSelect(c, u, w);
    }
    llvm::Value* number(llvm::Value* c) { return ir.CreateSelect(c, constant(1.0), constant(0.0)); }
    // The smaller of the two; a NaN in `w` leaves `u`.
    llvm::Value* least(llvm::Value* u, llvm::Value* w) {
        return ir.CreateSelect(ir.CreateFCmpOLT(w, u), w, u);
    }
};

using EmitRules = Rules<Emitter>;

// The longest formula whose lanes run as vectors.
constexpr std::size_t kMostVectorNodes = 512;

// Lanes in groups of four: one vector of four doubles a group.
constexpr int kWidth = 4;
constexpr int kGroups = kCodeLanes / kWidth;

class Generator {
public:
    Generator(llvm::LLVMContext& context, llvm::Module& module, const FormulaTree& tree)
        : context_(context), module_(module), tree_(tree), ir_(context) {}

    void scalar(const char* name, bool slope, Along along) {
        llvm::Type* d = ir_.getDoubleTy();
        std::vector<llvm::Type*> params{ptr(), d, d};
        if (slope) params.push_back(ptr());
        llvm::Function* f = function(name, d, params);
        llvm::Value* a = f->getArg(1);
        llvm::Value* x = f->getArg(2);
        Emitter e{ir_, module_, d};
        std::vector<EmitRules::T> scratch;
        const EmitRules::T r = run(e, tree_, along, a, x, scratch);
        if (slope) ir_.CreateStore(r.d ? *r.d : e.constant(0.0), f->getArg(3));
        ir_.CreateRet(r.v);
    }

    // advance (withSlopes false) or advanceWithSlopes, in the signatures of
    // FormulaCode::AdvanceFn and SlopesFn; `out` may be null. A formula of
    // arithmetic alone runs its lanes as four vectors side by side, kept in
    // registers; one that calls the C library (whose calls dominate) lane
    // by lane in a loop, which compiles to a quarter of the code.
    void lanes(const char* name, bool withSlopes, bool vectors) {
        std::vector<llvm::Type*> params{ptr(), ptr(), ptr()};
        if (withSlopes) params.push_back(ptr());
        params.insert(params.end(), {ptr(), ptr()});
        if (withSlopes) params.push_back(ptr());
        params.insert(params.end(), {ptr(), ir_.getInt64Ty()});
        llvm::Function* f = function(name, ir_.getVoidTy(), params);
        int arg = 1;
        Arrays p;
        p.a = f->getArg(arg++);
        p.x = f->getArg(arg++);
        p.next = withSlopes ? f->getArg(arg++) : nullptr;
        p.inside = f->getArg(arg++);
        llvm::Value* range = f->getArg(arg++);
        p.product = withSlopes ? f->getArg(arg++) : nullptr;
        llvm::Value* out = f->getArg(arg++);
        llvm::Value* steps = f->getArg(arg++);
        for (unsigned i = 1; i + 1 < f->arg_size(); ++i) {
            f->addParamAttr(i, llvm::Attribute::NoAlias);
        }
        // Without `out`, the iterates go to a scratch row, overwritten.
        llvm::Value* scratch =
            ir_.CreateAlloca(llvm::ArrayType::get(ir_.getDoubleTy(), kCodeLanes));
        llvm::Value* none = ir_.CreateICmpEQ(
            out, llvm::ConstantPointerNull::get(llvm::PointerType::get(context_, 0)));
        p.out = ir_.CreateSelect(none, scratch, out);
        p.stride = ir_.CreateSelect(none, ir_.getInt64(0), ir_.getInt64(kCodeLanes));
        p.from = loadDouble(range, 0);
        p.to = loadDouble(range, 1);
        if (vectors) {
            registerLanes(f, p, steps, withSlopes);
        } else {
            loopLanes(f, p, steps, withSlopes);
        }
    }

    // advanceTwo, in the signature of FormulaCode::TwoFn: vectors in
    // registers for arithmetic alone, else lane by lane, as lanes() does.
    void two(bool wrap, bool vectors) {
        llvm::Function* f = function(
            "advanceTwo", ir_.getVoidTy(),
            {ptr(), ptr(), ptr(), ptr(), ptr(), ptr(), ptr(), ir_.getInt64Ty()});
        for (unsigned i = 1; i + 1 < f->arg_size(); ++i) {
            f->addParamAttr(i, llvm::Attribute::NoAlias);
        }
        llvm::Value* a = f->getArg(1);
        llvm::Value* b = f->getArg(2);
        llvm::Value* x = f->getArg(3);
        llvm::Value* product = f->getArg(4);
        llvm::Value* turns = f->getArg(5);
        llvm::Value* out = f->getArg(6);
        llvm::Value* steps = f->getArg(7);
        llvm::Value* scratch =
            ir_.CreateAlloca(llvm::ArrayType::get(ir_.getDoubleTy(), kCodeLanes));
        llvm::Value* none = ir_.CreateICmpEQ(
            out, llvm::ConstantPointerNull::get(llvm::PointerType::get(context_, 0)));
        out = ir_.CreateSelect(none, scratch, out);
        llvm::Value* stride = ir_.CreateSelect(none, ir_.getInt64(0), ir_.getInt64(kCodeLanes));

        llvm::Type* t = vectors ? vector() : ir_.getDoubleTy();
        const int width = vectors ? kWidth : 1;
        Emitter e{ir_, module_, t};
        auto load = [&](llvm::Value* array, int g) -> llvm::Value* {
            return ir_.CreateAlignedLoad(
                t, ir_.CreateConstGEP1_64(ir_.getDoubleTy(), array, g * width), llvm::Align(8));
        };
        auto store = [&](llvm::Value* value, llvm::Value* array, int g) {
            ir_.CreateAlignedStore(
                value, ir_.CreateConstGEP1_64(ir_.getDoubleTy(), array, g * width),
                llvm::Align(8));
        };
        llvm::BasicBlock* entry = ir_.GetInsertBlock();
        llvm::BasicBlock* loop = llvm::BasicBlock::Create(context_, "loop", f);
        llvm::BasicBlock* done = llvm::BasicBlock::Create(context_, "done", f);
        // With vectors the groups' state lives in memory the optimiser keeps
        // in registers; lane by lane it stays in the arrays.
        llvm::Value *ga[kGroups], *gb[kGroups], *slotX[kGroups], *slotP[kGroups], *slotT[kGroups];
        for (int g = 0; vectors && g < kGroups; ++g) {
            ga[g] = load(a, g);
            gb[g] = load(b, g);
            auto keep = [&](llvm::Value* array) {
                llvm::Value* slot = ir_.CreateAlloca(t);
                ir_.CreateStore(load(array, g), slot);
                return slot;
            };
            slotX[g] = keep(x);
            slotP[g] = keep(product);
            slotT[g] = keep(turns);
        }
        ir_.CreateCondBr(ir_.CreateICmpSGT(steps, ir_.getInt64(0)), loop, done);
        ir_.SetInsertPoint(loop);
        llvm::PHINode* n = ir_.CreatePHI(ir_.getInt64Ty(), 2);
        n->addIncoming(ir_.getInt64(0), entry);
        llvm::Value* row = ir_.CreateMul(n, stride);
        auto stepGroup = [&](llvm::Value* av, llvm::Value* bv, llvm::Value* xs, llvm::Value* ps,
                             llvm::Value* ts, llvm::Value* at) {
            std::vector<EmitRules::T> scratchNodes;
            llvm::Value* xv = ir_.CreateLoad(t, xs);
            const EmitRules::T r = run(e, tree_, Along::X, av, xv, bv, scratchNodes);
            ir_.CreateStore(ir_.CreateFMul(ir_.CreateLoad(t, ps),
                                           r.d ? e.fabs(*r.d) : e.constant(0.0)),
                            ps);
            llvm::Value* finite = ir_.CreateFCmpOLT(e.fabs(xv), e.constant(kInfinity));
            llvm::Value* nx = ir_.CreateSelect(finite, r.v, xv);
            if (wrap) {
                llvm::Value* w = e.floor(nx);
                nx = ir_.CreateFSub(nx, w);
                ir_.CreateStore(ir_.CreateFAdd(ir_.CreateLoad(t, ts), w), ts);
            }
            ir_.CreateStore(nx, xs);
            ir_.CreateAlignedStore(nx, at, llvm::Align(8));
        };
        if (vectors) {
            for (int g = 0; g < kGroups; ++g) {
                stepGroup(ga[g], gb[g], slotX[g], slotP[g], slotT[g],
                          ir_.CreateGEP(ir_.getDoubleTy(), out,
                                        ir_.CreateAdd(row, ir_.getInt64(g * kWidth))));
            }
        } else {
            llvm::BasicBlock* lane = llvm::BasicBlock::Create(context_, "lane", f);
            llvm::BasicBlock* latch = llvm::BasicBlock::Create(context_, "next", f);
            ir_.CreateBr(lane);
            ir_.SetInsertPoint(lane);
            llvm::PHINode* l = ir_.CreatePHI(ir_.getInt64Ty(), 2);
            l->addIncoming(ir_.getInt64(0), loop);
            auto at = [&](llvm::Value* array) { return ir_.CreateGEP(t, array, l); };
            stepGroup(ir_.CreateLoad(t, at(a)), ir_.CreateLoad(t, at(b)), at(x), at(product),
                      at(turns), ir_.CreateGEP(t, out, ir_.CreateAdd(row, l)));
            llvm::Value* nextLane = ir_.CreateAdd(l, ir_.getInt64(1));
            l->addIncoming(nextLane, ir_.GetInsertBlock());
            ir_.CreateCondBr(ir_.CreateICmpSLT(nextLane, ir_.getInt64(kCodeLanes)), lane, latch);
            ir_.SetInsertPoint(latch);
        }
        llvm::Value* following = ir_.CreateAdd(n, ir_.getInt64(1));
        n->addIncoming(following, ir_.GetInsertBlock());
        ir_.CreateCondBr(ir_.CreateICmpSLT(following, steps), loop, done);
        ir_.SetInsertPoint(done);
        for (int g = 0; vectors && g < kGroups; ++g) {
            store(ir_.CreateLoad(t, slotX[g]), x, g);
            store(ir_.CreateLoad(t, slotP[g]), product, g);
            store(ir_.CreateLoad(t, slotT[g]), turns, g);
        }
        ir_.CreateRetVoid();
    }

private:
    struct Arrays {
        llvm::Value *a, *x, *next, *inside, *product, *out, *stride, *from, *to;
    };
    struct State {
        llvm::Value *x, *inside, *next, *product;
    };

    // One step of one group (a vector, or one lane): the new state, the new
    // iterate stored at `at`.
    State step(Emitter& e, llvm::Value* a, State s, llvm::Value* from, llvm::Value* to,
               llvm::Value* at, bool withSlopes) {
        std::vector<EmitRules::T> scratch;
        // An orbit no longer finite stays where it is.
        llvm::Value* finite = ir_.CreateFCmpOLT(e.fabs(s.x), e.constant(kInfinity));
        llvm::Value* stepped = withSlopes ? s.next : run(e, tree_, Along::None, a, s.x, scratch).v;
        State n = s;
        n.x = ir_.CreateSelect(finite, stepped, s.x);
        n.inside = e.least(s.inside, e.least(ir_.CreateFSub(n.x, from), ir_.CreateFSub(to, n.x)));
        if (withSlopes) {
            const EmitRules::T r = run(e, tree_, Along::X, a, n.x, scratch);
            n.next = r.v;
            n.product = ir_.CreateFMul(s.product, r.d ? e.fabs(*r.d) : e.constant(0.0));
        }
        ir_.CreateAlignedStore(n.x, at, llvm::Align(8));
        return n;
    }

    void registerLanes(llvm::Function* f, const Arrays& p, llvm::Value* steps, bool withSlopes) {
        llvm::Type* v = vector();
        Emitter e{ir_, module_, v};
        llvm::Value* from = ir_.CreateVectorSplat(kWidth, p.from);
        llvm::Value* to = ir_.CreateVectorSplat(kWidth, p.to);
        llvm::Value* a[kGroups];
        // The orbits' state lives in memory the optimiser keeps in registers.
        State slot[kGroups];
        for (int g = 0; g < kGroups; ++g) {
            a[g] = loadGroup(p.a, g);
            auto keep = [&](llvm::Value* array) -> llvm::Value* {
                if (!array) return nullptr;
                llvm::Value* s = ir_.CreateAlloca(v);
                ir_.CreateStore(loadGroup(array, g), s);
                return s;
            };
            slot[g] = {keep(p.x), keep(p.inside), keep(p.next), keep(p.product)};
        }
        llvm::BasicBlock* entry = ir_.GetInsertBlock();
        llvm::BasicBlock* loop = llvm::BasicBlock::Create(context_, "loop", f);
        llvm::BasicBlock* done = llvm::BasicBlock::Create(context_, "done", f);
        ir_.CreateCondBr(ir_.CreateICmpSGT(steps, ir_.getInt64(0)), loop, done);

        ir_.SetInsertPoint(loop);
        llvm::PHINode* n = ir_.CreatePHI(ir_.getInt64Ty(), 2);
        n->addIncoming(ir_.getInt64(0), entry);
        for (int g = 0; g < kGroups; ++g) {
            auto load = [&](llvm::Value* s) -> llvm::Value* {
                return s ? ir_.CreateLoad(v, s) : nullptr;
            };
            State s{load(slot[g].x), load(slot[g].inside), load(slot[g].next),
                    load(slot[g].product)};
            llvm::Value* index =
                ir_.CreateAdd(ir_.CreateMul(n, p.stride), ir_.getInt64(g * kWidth));
            const State moved = step(e, a[g], s, from, to,
                                     ir_.CreateGEP(ir_.getDoubleTy(), p.out, index), withSlopes);
            ir_.CreateStore(moved.x, slot[g].x);
            ir_.CreateStore(moved.inside, slot[g].inside);
            if (withSlopes) {
                ir_.CreateStore(moved.next, slot[g].next);
                ir_.CreateStore(moved.product, slot[g].product);
            }
        }
        llvm::Value* following = ir_.CreateAdd(n, ir_.getInt64(1));
        n->addIncoming(following, loop);
        ir_.CreateCondBr(ir_.CreateICmpSLT(following, steps), loop, done);

        ir_.SetInsertPoint(done);
        for (int g = 0; g < kGroups; ++g) {
            auto give = [&](llvm::Value* s, llvm::Value* array) {
                if (s) storeGroup(ir_.CreateLoad(v, s), array, g);
            };
            give(slot[g].x, p.x);
            give(slot[g].inside, p.inside);
            give(slot[g].next, p.next);
            give(slot[g].product, p.product);
        }
        ir_.CreateRetVoid();
    }

    void loopLanes(llvm::Function* f, const Arrays& p, llvm::Value* steps, bool withSlopes) {
        llvm::Type* d = ir_.getDoubleTy();
        Emitter e{ir_, module_, d};
        llvm::BasicBlock* entry = ir_.GetInsertBlock();
        llvm::BasicBlock* outer = llvm::BasicBlock::Create(context_, "step", f);
        llvm::BasicBlock* inner = llvm::BasicBlock::Create(context_, "lane", f);
        llvm::BasicBlock* latch = llvm::BasicBlock::Create(context_, "next", f);
        llvm::BasicBlock* done = llvm::BasicBlock::Create(context_, "done", f);
        ir_.CreateCondBr(ir_.CreateICmpSGT(steps, ir_.getInt64(0)), outer, done);

        ir_.SetInsertPoint(outer);
        llvm::PHINode* n = ir_.CreatePHI(ir_.getInt64Ty(), 2);
        n->addIncoming(ir_.getInt64(0), entry);
        llvm::Value* row = ir_.CreateMul(n, p.stride);
        ir_.CreateBr(inner);

        ir_.SetInsertPoint(inner);
        llvm::PHINode* l = ir_.CreatePHI(ir_.getInt64Ty(), 2);
        l->addIncoming(ir_.getInt64(0), outer);
        auto at = [&](llvm::Value* array) { return ir_.CreateGEP(d, array, l); };
        auto load = [&](llvm::Value* array) -> llvm::Value* {
            return array ? ir_.CreateLoad(d, at(array)) : nullptr;
        };
        const State s{load(p.x), load(p.inside), load(p.next), load(p.product)};
        const State moved = step(e, load(p.a), s, p.from, p.to,
                                 ir_.CreateGEP(d, p.out, ir_.CreateAdd(row, l)), withSlopes);
        ir_.CreateStore(moved.x, at(p.x));
        ir_.CreateStore(moved.inside, at(p.inside));
        if (withSlopes) {
            ir_.CreateStore(moved.next, at(p.next));
            ir_.CreateStore(moved.product, at(p.product));
        }
        llvm::Value* nextLane = ir_.CreateAdd(l, ir_.getInt64(1));
        l->addIncoming(nextLane, ir_.GetInsertBlock());
        ir_.CreateCondBr(ir_.CreateICmpSLT(nextLane, ir_.getInt64(kCodeLanes)), inner, latch);

        ir_.SetInsertPoint(latch);
        llvm::Value* following = ir_.CreateAdd(n, ir_.getInt64(1));
        n->addIncoming(following, latch);
        ir_.CreateCondBr(ir_.CreateICmpSLT(following, steps), outer, done);

        ir_.SetInsertPoint(done);
        ir_.CreateRetVoid();
    }

    llvm::Type* ptr() { return llvm::PointerType::get(context_, 0); }
    llvm::Type* vector() { return llvm::FixedVectorType::get(ir_.getDoubleTy(), kWidth); }

    llvm::Function* function(const char* name, llvm::Type* result,
                             const std::vector<llvm::Type*>& params) {
        auto* type = llvm::FunctionType::get(result, params, false);
        llvm::Function* f =
            llvm::Function::Create(type, llvm::Function::ExternalLinkage, name, module_);
        f->addFnAttr(llvm::Attribute::NoUnwind);
        ir_.SetInsertPoint(llvm::BasicBlock::Create(context_, "entry", f));
        return f;
    }
    llvm::Value* loadDouble(llvm::Value* base, int index) {
        return ir_.CreateLoad(ir_.getDoubleTy(),
                              ir_.CreateConstGEP1_64(ir_.getDoubleTy(), base, index));
    }
    llvm::Value* loadGroup(llvm::Value* base, int g) {
        return ir_.CreateAlignedLoad(
            vector(), ir_.CreateConstGEP1_64(ir_.getDoubleTy(), base, g * kWidth), llvm::Align(8));
    }
    void storeGroup(llvm::Value* value, llvm::Value* base, int g) {
        ir_.CreateAlignedStore(value, ir_.CreateConstGEP1_64(ir_.getDoubleTy(), base, g * kWidth),
                               llvm::Align(8));
    }

    llvm::LLVMContext& context_;
    llvm::Module& module_;
    const FormulaTree& tree_;
    llvm::IRBuilder<> ir_;
};

// Whether the formula calls no function of the C library.
bool arithmeticOnly(const FormulaTree& tree) {
    for (const Node& n : tree.nodes) {
        if (n.op == Op::Power) return false;
        for (const LibraryFunction& f : kLibrary) {
            if (f.op == n.op && f.op != Op::Floor && f.op != Op::Ceil && f.op != Op::Sqrt &&
                f.op != Op::Abs) {
                return false;
            }
        }
    }
    return true;
}

std::string text(llvm::Error error) { return llvm::toString(std::move(error)); }

void startLlvm() {
    static std::once_flag once;
    std::call_once(once, [] {
        llvm::InitializeNativeTarget();
        llvm::InitializeNativeTargetAsmPrinter();
    });
}

}  // namespace

struct FormulaCode::Jit {
    std::unique_ptr<llvm::orc::LLJIT> jit;
};

FormulaCode::~FormulaCode() = default;

namespace {

// Optimises the module as clang -O2 would, for this processor, without
// fast-math and without fusing multiplications and additions.
void optimise(llvm::Module& module, llvm::TargetMachine& machine) {
    llvm::LoopAnalysisManager loops;
    llvm::FunctionAnalysisManager functions;
    llvm::CGSCCAnalysisManager sccs;
    llvm::ModuleAnalysisManager modules;
    llvm::PassBuilder builder(&machine);
    builder.registerModuleAnalyses(modules);
    builder.registerCGSCCAnalyses(sccs);
    builder.registerFunctionAnalyses(functions);
    builder.registerLoopAnalyses(loops);
    builder.crossRegisterProxies(loops, functions, sccs, modules);
    llvm::ModulePassManager passes =
        builder.buildPerModuleDefaultPipeline(llvm::OptimizationLevel::O2);
    passes.run(module, modules);
}

}  // namespace

std::shared_ptr<const FormulaCode> FormulaCode::make(FormulaTree tree, bool native) {
    return build(std::move(tree), native, false, false);
}

std::shared_ptr<const FormulaCode> FormulaCode::makeTwo(FormulaTree tree, bool wrap, bool native) {
    return build(std::move(tree), native, true, wrap);
}

std::shared_ptr<const FormulaCode> FormulaCode::build(FormulaTree tree, bool native, bool two,
                                                      bool wrap) {
    std::shared_ptr<FormulaCode> code(new FormulaCode());
    code->tree_ = std::move(tree);
    code->wrap_ = wrap;
    code->advanceTwo_ = &treeAdvanceTwo;
    code->value_ = &treeValue;
    code->slope_ = &treeSlope;
    code->parameterSlope_ = &treeParameterSlope;
    code->advance_ = &treeAdvance;
    code->advanceSlopes_ = &treeAdvanceSlopes;
    if (!native) {
        code->refusal_ = "the compiler was not asked";
        return code;
    }
    const auto started = std::chrono::steady_clock::now();
    startLlvm();
    auto builder = llvm::orc::JITTargetMachineBuilder::detectHost();
    if (!builder) {
        code->refusal_ = "no machine code for this processor: " + text(builder.takeError());
        return code;
    }
    builder->setCPU(llvm::sys::getHostCPUName().str());
    builder->setCodeGenOptLevel(llvm::CodeGenOpt::Default);
    builder->getOptions().AllowFPOpFusion = llvm::FPOpFusion::Strict;
    auto machine = builder->createTargetMachine();
    if (!machine) {
        code->refusal_ = "no machine code for this processor: " + text(machine.takeError());
        return code;
    }
    auto context = std::make_unique<llvm::LLVMContext>();
    auto module = std::make_unique<llvm::Module>("formula", *context);
    module->setDataLayout((*machine)->createDataLayout());
    module->setTargetTriple((*machine)->getTargetTriple().str());
    {
        Generator g(*context, *module, code->tree_);
        // Vectors make four copies of the formula's code: a long formula
        // runs lane by lane, which compiles in a quarter of the time.
        const bool vectors =
            arithmeticOnly(code->tree_) && code->tree_.nodes.size() <= kMostVectorNodes;
        if (two) {
            g.two(wrap, vectors);
        } else {
            g.scalar("value", false, Along::None);
            g.scalar("slope", true, Along::X);
            g.scalar("parameterSlope", true, Along::A);
            g.lanes("advance", false, vectors);
            g.lanes("advanceSlopes", true, vectors);
        }
    }
    std::string broken;
    llvm::raw_string_ostream why(broken);
    if (llvm::verifyModule(*module, &why)) {
        code->refusal_ = "the compiler made faulty code: " + why.str();
        return code;
    }
    optimise(*module, **machine);
    auto jit = llvm::orc::LLJITBuilder().setJITTargetMachineBuilder(*builder).create();
    if (!jit) {
        code->refusal_ = "the compiler could not start: " + text(jit.takeError());
        return code;
    }
    // The very functions of the C library the tree's evaluator calls.
    llvm::orc::SymbolMap library;
    for (const LibraryFunction& f : kLibrary) {
        library[(*jit)->mangleAndIntern(f.name)] = llvm::JITEvaluatedSymbol(
            llvm::pointerToJITTargetAddress(f.address), llvm::JITSymbolFlags::Exported);
    }
    library[(*jit)->mangleAndIntern("pow")] = llvm::JITEvaluatedSymbol(
        llvm::pointerToJITTargetAddress(static_cast<double (*)(double, double)>(&::pow)),
        llvm::JITSymbolFlags::Exported);
    llvm::orc::JITDylib& dylib = (*jit)->getMainJITDylib();
    if (llvm::Error e = dylib.define(llvm::orc::absoluteSymbols(std::move(library)))) {
        code->refusal_ = "the compiler could not start: " + text(std::move(e));
        return code;
    }
    auto process = llvm::orc::DynamicLibrarySearchGenerator::GetForCurrentProcess(
        (*jit)->getDataLayout().getGlobalPrefix());
    if (process) dylib.addGenerator(std::move(*process));
    if (llvm::Error e = (*jit)->addIRModule(
            llvm::orc::ThreadSafeModule(std::move(module), std::move(context)))) {
        code->refusal_ = "the compiler failed: " + text(std::move(e));
        return code;
    }
    auto find = [&](const char* name) -> void* {
        auto address = (*jit)->lookup(name);
        if (!address) {
            code->refusal_ = "the compiler failed: " + text(address.takeError());
            return nullptr;
        }
        return address->toPtr<void*>();
    };
    if (two) {
        void* advanceTwo = find("advanceTwo");
        if (!advanceTwo) return code;
        code->advanceTwo_ = reinterpret_cast<TwoFn>(advanceTwo);
    } else {
        void* value = find("value");
        void* slope = value ? find("slope") : nullptr;
        void* parameterSlope = slope ? find("parameterSlope") : nullptr;
        void* advance = parameterSlope ? find("advance") : nullptr;
        void* advanceSlopes = advance ? find("advanceSlopes") : nullptr;
        if (!advanceSlopes) return code;
        code->value_ = reinterpret_cast<ValueFn>(value);
        code->slope_ = reinterpret_cast<SlopeFn>(slope);
        code->parameterSlope_ = reinterpret_cast<SlopeFn>(parameterSlope);
        code->advance_ = reinterpret_cast<AdvanceFn>(advance);
        code->advanceSlopes_ = reinterpret_cast<SlopesFn>(advanceSlopes);
    }
    code->jit_ = std::make_unique<Jit>(Jit{std::move(*jit)});
    code->seconds_ =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    return code;
}

}  // namespace corvane::custom
