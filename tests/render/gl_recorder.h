#pragma once
// A stand-in for the OpenGL entry-point table that records every call, so the
// pipeline code can be checked without a context.
#include <string>
#include <vector>

#include "render/gl.h"

struct GlCall {
    std::string name;
    // Numbers as given; pointers as their address, except that glGen* and
    // glDelete* of arrays, buffers and textures record (n, first name).
    std::vector<double> args;
};

struct FakeGl {
    std::vector<GlCall> calls;
    GLenum failing_stage = 0;  // GL_VERTEX_SHADER, GL_FRAGMENT_SHADER, or 1 for the link
    std::string info_log = "0:7(12): error: syntax error";
};

extern FakeGl fake_gl;

// Fills the global table with recorders and clears the log.
void install_fake_gl();

// The calls named `name`, in order.
std::vector<GlCall> calls_named(const std::string& name);
// Names of all recorded calls, in order.
std::vector<std::string> call_names();
