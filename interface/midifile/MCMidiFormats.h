#pragma once

#include "interface/InterfaceExport.h"

// Hands the document the readers of RIFF MIDI and Standard MIDI Files and the Standard MIDI
// File writer, so that opening a MIDI file fills a document and a document saves as one. The
// program calls Register once at start-up, before it opens a document.
class INTERFACE_API MCMidiFormats {
public:
    static void Register();
};
