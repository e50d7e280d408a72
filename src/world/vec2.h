#pragma once

// Two 32-bit floats in world units. y grows downward on screen.
// Every operator is a single float32 operation so that expressions written
// with them keep the exact order of operations the simulation relies on.
struct Vec2 {
    float x;
    float y;
};

constexpr Vec2 operator+(Vec2 a, Vec2 b) { return {a.x + b.x, a.y + b.y}; }
constexpr Vec2 operator-(Vec2 a, Vec2 b) { return {a.x - b.x, a.y - b.y}; }
constexpr Vec2 operator-(Vec2 a) { return {-a.x, -a.y}; }
constexpr Vec2 operator*(Vec2 a, float s) { return {a.x * s, a.y * s}; }
constexpr Vec2 operator*(float s, Vec2 a) { return {s * a.x, s * a.y}; }
constexpr Vec2 operator/(Vec2 a, float s) { return {a.x / s, a.y / s}; }
constexpr Vec2& operator+=(Vec2& a, Vec2 b) { a.x += b.x; a.y += b.y; return a; }
constexpr Vec2& operator-=(Vec2& a, Vec2 b) { a.x -= b.x; a.y -= b.y; return a; }
constexpr Vec2& operator*=(Vec2& a, float s) { a.x *= s; a.y *= s; return a; }
constexpr bool operator==(Vec2 a, Vec2 b) { return a.x == b.x && a.y == b.y; }

constexpr float dot(Vec2 a, Vec2 b) { return a.x * b.x + a.y * b.y; }
// 2-D cross product a x b.
constexpr float cross(Vec2 a, Vec2 b) { return a.x * b.y - a.y * b.x; }
// perp(r) = (-r.y, r.x): rotation by +90 degrees.
constexpr Vec2 perp(Vec2 a) { return {-a.y, a.x}; }
