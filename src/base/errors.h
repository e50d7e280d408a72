#pragma once

// Start-up failures travel back to the entry point as named values; the entry
// logs the failing step's own message, then the name alone, and exits with 1.
enum class StartupError {
    None,
    SdlFailed,
    MissingGlFunction,
    ShaderFailed,
    BadFont,
    OutOfMemory,
};

constexpr const char* error_name(StartupError e) {
    switch (e) {
    case StartupError::None: return "None";
    case StartupError::SdlFailed: return "SdlFailed";
    case StartupError::MissingGlFunction: return "MissingGlFunction";
    case StartupError::ShaderFailed: return "ShaderFailed";
    case StartupError::BadFont: return "BadFont";
    case StartupError::OutOfMemory: return "OutOfMemory";
    }
    return "?";
}
