#pragma once

#include "notabase/NotabaseExport.h"

#include <string>
#include <string_view>

// The base of every registration of the system (data classes, processing layers, and the
// registrations of the libraries above), and the loader of plug-in libraries.
//
// A plug-in is a shared library (".so", matched without regard to case) in the folder
// "PlugIns" beside the program. It exports "GetPluginVersion", which answers an unsigned
// version of at least 1, and "InitPlugins", which registers its classes and is called once.
// A library that cannot be loaded or fails a check is unloaded again and named in a message
// to the user; the walk goes on with the next one. The working directory is never changed.
class NOTABASE_API CPlugin {
public:
    // The plug-in interface version this program speaks.
    static constexpr unsigned int currentVersion = 1;

    CPlugin() = default;
    CPlugin(const CPlugin&) = default;
    CPlugin& operator=(const CPlugin&) = default;
    virtual ~CPlugin();

    // "PlugIns" beside the program.
    static std::string PluginFolder();
    // Loads every plug-in of the folder, in name order. 1 when each one found was loaded and
    // initialised, or when there is no such folder; 0 when the folder holds no plug-in
    // ("No plugins were found!") or any plug-in failed.
    static int Initialize();
    static int Initialize(const std::string& folder);
    // Frees the plug-ins of the folder that Initialize loaded; 0 when it holds none.
    static int UnInitialize();
    static int UnInitialize(const std::string& folder);
    // Loads, checks and starts one plug-in library; 1 on success. A library loaded already is
    // not started again.
    static int InitPlugin(const std::string& path);
    // Frees the library of that path when it was loaded as a plug-in; always 1.
    static int FreePlugin(const std::string& path);
    // Whether a library of that path is loaded as a plug-in.
    static bool IsPluginLoaded(const std::string& path);
};
