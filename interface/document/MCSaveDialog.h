#pragma once

#include "interface/InterfaceExport.h"

#include "platform/core/Object.h"

#include <QFileDialog>

#include <string>

// The save dialog of a document, which also chooses the file's format: the native document
// (0) or a Standard MIDI File of type 0 (1) or type 1 (2). The extension the user types wins
// over the type chosen in the list, whatever its case: "SONG.MID" saved with the native type
// chosen is a MIDI file of type 1, "song.KVD" with a MIDI type chosen is a native document.
class INTERFACE_API MCSaveDialog : public QFileDialog, public plat::Object {
    PLAT_DECLARE_DYNAMIC(MCSaveDialog)
public:
    struct Format {
        int format;
        const char* extension;
        unsigned filterId;
    };
    static constexpr int kFormatCount = 3;
    static const Format kFormats[kFormatCount];

    explicit MCSaveDialog(QWidget* parent = nullptr);

    // Runs the dialog (through plat::ui::ModalHooks); on OK path holds the full path chosen
    // and the format the one to save in. The folder is remembered as "Directory" of
    // "Settings\Open". 0 when the user cancelled (path and format then unchanged).
    int GetSavePath(std::string& path, int format, int replace);
    int GetSaveFormat() const { return m_saveFormat; }
    // The index of the format whose extension the path has, or -1.
    static int GetSaveFormat(const std::string& path);
    // The format to save in when the user chose format and typed path.
    static int FormatForPath(int format, const std::string& path);

    // The type list changed to the entry of index: the format follows, and the typed name
    // takes that entry's extension.
    void OnTypeChange(int index);

private:
    int m_saveFormat = 0;
};
