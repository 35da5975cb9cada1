#pragma once

// Marks what this library exports; everything else stays hidden inside it.
#define GLYPHTRAY_API __attribute__((visibility("default")))
