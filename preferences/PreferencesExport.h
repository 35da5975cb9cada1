#pragma once

// Marks what this library exports; everything else stays hidden inside it.
#define PREFERENCES_API __attribute__((visibility("default")))
