#pragma once

// The platform's standard named colours that the model refers to; the UI theme maps each to a
// concrete colour for the light and dark appearance.
enum class Tint { green, blue, indigo, orange, purple, red, teal };
