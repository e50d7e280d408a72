#include "world/collision.h"

#include <cmath>

namespace {

constexpr float REFERENCE_BIAS = 0.01f;
constexpr float DEGENERATE_LENGTH_SQUARED = 1e-12f;
constexpr float RESTITUTION_FACTOR = 1.4f;
constexpr float FRICTION = 0.3f;
constexpr float SLOP = 0.25f;
constexpr float CORRECTION = 0.8f;
constexpr float FRICTION_THRESHOLD = 1e-6f;

float clamp01(float x) {
    if (x < 0.0f) return 0.0f;
    if (x > 1.0f) return 1.0f;
    return x;
}

// The point of the edge p -> q nearest to c; a zero-length edge gives p.
Vec2 closest_on_edge(Vec2 p, Vec2 q, Vec2 c) {
    Vec2 d = q - p;
    float e = dot(d, d);
    float r = e == 0.0f ? 0.0f : clamp01(dot(c - p, d) / e);
    return p + d * r;
}

float distance_squared(Vec2 a, Vec2 b) {
    Vec2 d = a - b;
    return dot(d, d);
}

// Largest over `ref`'s edges of the smallest signed distance of `other`'s
// points in front of that edge; `edge` receives the first edge reaching it.
float max_separation(const Vec2* ref, const Vec2* normals, int nr, const Vec2* other, int no, int& edge) {
    float best = 0;
    edge = 0;
    for (int i = 0; i < nr; ++i) {
        float sep = dot(normals[i], other[0] - ref[i]);
        for (int j = 1; j < no; ++j) {
            float s = dot(normals[i], other[j] - ref[i]);
            if (s < sep) sep = s;
        }
        if (i == 0 || sep > best) {
            best = sep;
            edge = i;
        }
    }
    return best;
}

Contact no_contact() { return Contact{{0, 0}, {0, 0}, 0, false}; }

// The incident polygon's point deepest behind the reference face.
Contact deepest_point(const Vec2* inc, int ni, Vec2 t, Vec2 p, Vec2 normal) {
    int best = 0;
    float best_sep = dot(p, inc[0] - t);
    for (int i = 1; i < ni; ++i) {
        float s = dot(p, inc[i] - t);
        if (s < best_sep) {
            best_sep = s;
            best = i;
        }
    }
    if (!(best_sep <= CONTACT_SKIN)) return no_contact();
    return Contact{normal, inc[best], CONTACT_SKIN - best_sep, true};
}

void apply_impulse(BodyState& a, BodyState& b, Vec2 ra, Vec2 rb, Vec2 dir, float j) {
    a.vel -= dir * (j * a.inv_mass);
    a.spin -= cross(ra, dir * j) * a.inv_inertia;
    b.vel += dir * (j * b.inv_mass);
    b.spin += cross(rb, dir * j) * b.inv_inertia;
}

Vec2 relative_velocity(const BodyState& a, const BodyState& b, Vec2 ra, Vec2 rb) {
    return (b.vel + perp(rb) * b.spin) - (a.vel + perp(ra) * a.spin);
}

float effective_inverse_mass(const BodyState& a, const BodyState& b, Vec2 ra, Vec2 rb, Vec2 dir) {
    float ca = cross(ra, dir);
    float cb = cross(rb, dir);
    return a.inv_mass + b.inv_mass + ca * ca * a.inv_inertia + cb * cb * b.inv_inertia;
}

}  // namespace

void edge_normals(const Vec2* poly, int n, Vec2* out) {
    Vec2 sum{0, 0};
    for (int i = 0; i < n; ++i) sum = sum + poly[i];
    Vec2 average = sum / static_cast<float>(n);
    for (int i = 0; i < n; ++i) {
        Vec2 e = poly[(i + 1) % n] - poly[i];
        Vec2 normal = perp(e) / std::sqrt(dot(e, e));
        if (dot(normal, poly[i] - average) < 0.0f) normal = -normal;
        out[i] = normal;
    }
}

Contact polygon_contact(const Vec2* a, int na, const Vec2* b, int nb) {
    if (na < 1 || nb < 1) return no_contact();
    Vec2 normals_a[8], normals_b[8];
    edge_normals(a, na, normals_a);
    edge_normals(b, nb, normals_b);

    int ref_a = 0, ref_b = 0;
    float sep_a = max_separation(a, normals_a, na, b, nb, ref_a);
    if (sep_a > CONTACT_SKIN) return no_contact();
    float sep_b = max_separation(b, normals_b, nb, a, na, ref_b);
    if (sep_b > CONTACT_SKIN) return no_contact();

    bool flip = sep_b > sep_a + REFERENCE_BIAS;
    const Vec2* ref = flip ? b : a;
    const Vec2* ref_normals = flip ? normals_b : normals_a;
    int nr = flip ? nb : na;
    int k = flip ? ref_b : ref_a;
    const Vec2* inc = flip ? a : b;
    const Vec2* inc_normals = flip ? normals_a : normals_b;
    int ni = flip ? na : nb;

    Vec2 t = ref[k];
    Vec2 u = ref[(k + 1) % nr];
    Vec2 p = ref_normals[k];
    Vec2 face = u - t;
    Vec2 d = face / std::sqrt(dot(face, face));
    Vec2 normal = flip ? -p : p;

    int incident = 0;
    float lowest = dot(inc_normals[0], p);
    for (int i = 1; i < ni; ++i) {
        float s = dot(inc_normals[i], p);
        if (s < lowest) {
            lowest = s;
            incident = i;
        }
    }
    Vec2 v = inc[incident];
    Vec2 E = inc[(incident + 1) % ni];

    // Clip the incident edge to the reference face's extent.
    float l = dot(d, t) - dot(d, v);
    float m = dot(d, t) - dot(d, E);
    if (l > 0.0f && m > 0.0f) return deepest_point(inc, ni, t, p, normal);
    if (l > 0.0f) v += (E - v) * (l / (l - m));
    if (m > 0.0f) E += (v - E) * (m / (m - l));
    float X = dot(d, u);
    float Y = dot(d, v) - X;
    float Z = dot(d, E) - X;
    if (Y > 0.0f && Z > 0.0f) return deepest_point(inc, ni, t, p, normal);
    if (Y > 0.0f) v += (E - v) * (Y / (Y - Z));
    if (Z > 0.0f) E += (v - E) * (Z / (Z - Y));

    float s1 = dot(p, v - t);
    float s2 = dot(p, E - t);
    bool keep1 = s1 <= CONTACT_SKIN;
    bool keep2 = s2 <= CONTACT_SKIN;
    if (!keep1 && !keep2) return no_contact();
    if (keep1 && keep2) {
        float lowest_sep = s2 < s1 ? s2 : s1;
        return Contact{normal, (v + E) * 0.5f, CONTACT_SKIN - lowest_sep, true};
    }
    if (keep1) return Contact{normal, v, CONTACT_SKIN - s1, true};
    return Contact{normal, E, CONTACT_SKIN - s2, true};
}

SweepHit sweep_polygon(Vec2 w, Vec2 B, const Vec2* poly, int n) {
    SweepHit result{false, 0.0f};
    if (n < 1) return result;
    Vec2 normals[8];
    edge_normals(poly, n, normals);

    // Entry test (Cyrus-Beck) against the interior.
    float tmin = 0.0f, tmax = 1.0f;
    bool misses = false;
    for (int i = 0; i < n && !misses; ++i) {
        float denom = dot(normals[i], B);
        float num = dot(normals[i], poly[i] - w);
        if (denom != 0.0f) {
            float s = num / denom;
            if (denom < 0.0f) {
                if (s > tmin) tmin = s;
                if (tmin > tmax) misses = true;
            } else {
                if (s < tmax) tmax = s;
                if (tmax < tmin) misses = true;
            }
        } else if (num < 0.0f) {
            misses = true;
        }
    }
    if (!misses) result = {true, tmin};

    float a = dot(B, B);
    if (a > DEGENERATE_LENGTH_SQUARED) {
        // Radius test: closest points between the moving segment and each edge.
        for (int j = 0; j < n; ++j) {
            if (result.hit && result.t == 0.0f) break;  // nothing can come earlier
            Vec2 P = poly[j];
            Vec2 D = poly[(j + 1) % n] - P;
            Vec2 wp = w - P;
            float e = dot(D, D);
            float c = dot(B, wp);
            float f = dot(D, wp);
            float b = dot(B, D);
            float s, r;
            if (e <= DEGENERATE_LENGTH_SQUARED) {
                s = clamp01(-c / a);
                r = 0.0f;
            } else {
                float denom = a * e - b * b;
                s = denom != 0.0f ? clamp01((b * f - c * e) / denom) : 0.0f;
                r = (f + b * s) / e;
                if (r < 0.0f) {
                    r = 0.0f;
                    s = clamp01(-c / a);
                }
                if (r > 1.0f) {
                    r = 1.0f;
                    s = clamp01((b - c) / a);
                }
            }
            if (distance_squared(w + B * s, P + D * r) <= SEGMENT_RADIUS_SQUARED) {
                if (!result.hit || s < result.t) result.t = s;
                result.hit = true;
            }
        }
    } else {
        for (int j = 0; j < n && !result.hit; ++j) {
            Vec2 q = closest_on_edge(poly[j], poly[(j + 1) % n], w);
            if (distance_squared(w, q) <= SEGMENT_RADIUS_SQUARED) result = {true, 0.0f};
        }
    }
    return result;
}

SweepHit sweep_circle(Vec2 e, Vec2 f, Vec2 centre, float radius) {
    Vec2 d = f - e;
    float A = dot(d, d);
    Vec2 m = e - centre;
    float C = dot(m, m) - radius * radius;
    if (C <= 0.0f) return {true, 0.0f};
    if (A != 0.0f) {
        float Bq = 2.0f * dot(d, m);
        float disc = Bq * Bq - 4.0f * A * C;
        if (disc >= 0.0f) {
            float t = (-Bq - std::sqrt(disc)) / (2.0f * A);
            if (t >= 0.0f && t <= 1.0f) return {true, t};
        }
    }
    return {false, 0.0f};
}

BoundaryPoint nearest_boundary_point(const Vec2* poly, int n, Vec2 c) {
    BoundaryPoint best{false, {0, 0}, 0.0f};
    float best_d2 = 0.0f;
    for (int i = 0; i < n; ++i) {
        Vec2 q = closest_on_edge(poly[i], poly[(i + 1) % n], c);
        float d2 = distance_squared(c, q);
        if (!best.found || d2 < best_d2) {
            best.found = true;
            best.point = q;
            best_d2 = d2;
        }
    }
    if (best.found) best.distance = std::sqrt(best_d2);
    return best;
}

bool inside_convex(const Vec2* poly, int n, Vec2 x) {
    int sign = 0;
    for (int k = 1; k <= n; ++k) {
        Vec2 a = poly[k - 1];
        Vec2 b = poly[k % n];
        Vec2 r = x - a;
        Vec2 e = b - a;
        float product = r.y * e.x - r.x * e.y;
        if (product == 0.0f) continue;
        int s = product > 0.0f ? 1 : -1;
        if (sign == 0) sign = s;
        else if (s != sign) return false;
    }
    return true;
}

float respond(BodyState& a, BodyState& b, const Contact& c) {
    Vec2 n = c.normal;
    Vec2 ra = c.point - a.pos;
    Vec2 rb = c.point - b.pos;
    float vn = dot(relative_velocity(a, b, ra, rb), n);
    float closing = -vn > 0.0f ? -vn : 0.0f;

    if (vn < 0.0f) {
        float jn = -RESTITUTION_FACTOR * vn / effective_inverse_mass(a, b, ra, rb, n);
        apply_impulse(a, b, ra, rb, n, jn);

        Vec2 vr = relative_velocity(a, b, ra, rb);
        Vec2 vt = vr - n * dot(vr, n);
        float speed = std::sqrt(dot(vt, vt));
        if (speed > FRICTION_THRESHOLD) {
            Vec2 tdir = vt / speed;
            float jt = -speed / effective_inverse_mass(a, b, ra, rb, tdir);
            float limit = FRICTION * jn;
            if (jt < -limit) jt = -limit;
            if (jt > limit) jt = limit;
            apply_impulse(a, b, ra, rb, tdir, jt);
        }
    }

    float inv_mass_sum = a.inv_mass + b.inv_mass;
    if (inv_mass_sum != 0.0f) {
        float depth = c.depth - SLOP;
        float k = (depth > 0.0f ? depth : 0.0f) * CORRECTION / inv_mass_sum;
        a.pos -= n * (k * a.inv_mass);
        b.pos += n * (k * b.inv_mass);
    }
    return closing;
}
