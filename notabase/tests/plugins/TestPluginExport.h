#pragma once

// The two functions a plug-in exports, and what the test plug-ins export besides.
#define TEST_PLUGIN_EXPORT extern "C" __attribute__((visibility("default")))
