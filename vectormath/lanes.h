#pragma once

// Vectors of float or double lanes with ordinary operators, over one
// instruction set's registers (sse2Lanes.h, avx2Lanes.h, avx512Lanes.h).
// Plain intrinsics underneath and no compiler vector extensions, so that
// MSVC builds them as GCC, Clang and mingw do. Each operator is the IEEE
// operation of the scalar code, lane by lane; nothing fuses.
//
// Included only by sources built for one instruction set. The Isa types
// live in unnamed namespaces, so every function here is a distinct
// instantiation per source: none built for a wider set can be linked in
// place of a narrower one's.

#include <cstdint>

namespace sorvane::vectormath {

template <class Isa, class T>
struct Mask {
    using Register = typename Isa::template MaskRegister<T>;
    Register m;

    Mask(Register r) : m(r) {}
    // -1 lanes are set, 0 lanes clear, as the batches keep their flags.
    static Mask load(const std::int32_t* p) { return Isa::loadFlags(p); }
    void store(std::int32_t* p) const { Isa::storeFlags(p, m); }
    // Bit i set where lane i is.
    unsigned bits() const { return Isa::bits(m); }

    friend Mask operator&(Mask a, Mask b) { return Isa::maskAnd(a.m, b.m); }
    friend Mask operator|(Mask a, Mask b) { return Isa::maskOr(a.m, b.m); }
};

template <class Isa, class T>
struct Vector {
    using Register = typename Isa::template Register<T>;
    static constexpr int kLanes = Isa::template kLanes<T>;
    Register v;

    Vector() = default;
    Vector(Register r) : v(r) {}
    Vector(T x) : v(Isa::splat(x)) {}

    static Vector load(const T* p) { return Isa::load(p); }
    void store(T* p) const { Isa::store(p, v); }

    friend Vector operator+(Vector a, Vector b) { return Isa::add(a.v, b.v); }
    friend Vector operator-(Vector a, Vector b) { return Isa::sub(a.v, b.v); }
    friend Vector operator*(Vector a, Vector b) { return Isa::mul(a.v, b.v); }
    friend Vector operator/(Vector a, Vector b) { return Isa::div(a.v, b.v); }
    // The sign flipped, as -x is in scalar code (0 - x would make -0 of +0).
    friend Vector operator-(Vector a) { return Isa::bitXor(a.v, Isa::splat(T(-0.0))); }

    // Ordered comparisons: false where either side is NaN.
    friend Mask<Isa, T> operator<(Vector a, Vector b) { return Isa::less(a.v, b.v); }
    friend Mask<Isa, T> operator<=(Vector a, Vector b) { return Isa::lessOrEqual(a.v, b.v); }
    friend Mask<Isa, T> operator>(Vector a, Vector b) { return Isa::less(b.v, a.v); }
    friend Mask<Isa, T> operator>=(Vector a, Vector b) { return Isa::lessOrEqual(b.v, a.v); }
    friend Mask<Isa, T> operator==(Vector a, Vector b) { return Isa::equal(a.v, b.v); }

    // a where the mask is set, b where not.
    friend Vector select(Mask<Isa, T> m, Vector a, Vector b) { return Isa::select(m.m, a.v, b.v); }
    friend Vector sqrt(Vector a) { return Isa::sqrt(a.v); }
    friend Vector abs(Vector a) { return Isa::bitAndNot(Isa::splat(T(-0.0)), a.v); }
    // x limited to [low, high]; a NaN stays NaN.
    friend Vector clamp(Vector x, T low, T high) {
        // The second operand is what minpd and maxpd pass on when one is NaN.
        return Isa::min(Isa::splat(high), Isa::max(Isa::splat(low), x.v));
    }
};

}  // namespace sorvane::vectormath
