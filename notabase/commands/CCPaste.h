#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/commands/CCBase.h"
#include "notabase/model/MCEventList.h"

#include <memory>

class MCOleDataIn;
class MCOleDataInfo;

// Reads elements and their side information from the clipboard, for the target document.
// Changes nothing in the piece and cannot be undone: the caller puts the elements it takes
// from GetEvents into the piece with its own commands before it lets the paste go; what is
// then in no piece and held by no command goes with the paste. Data that cannot be read
// pastes nothing.
class NOTABASE_API CCPaste : public CCBase {
    PLAT_DECLARE_DYNCREATE(CCPaste)
public:
    CCPaste();
    ~CCPaste() override;

    int GetCommandId() override;
    // Makes the data-in object when there is none.
    int Prepare() override;
    // Reads what the format asks for: with 0 both, with "Tarnwick Music Info" only the side
    // information, with "Tarnwick Music Data" only the elements, with any other nothing.
    int Process() override;

    // Makes the data-in object when there is none; elements are read for the document.
    void SetDocument(void* document);
    // Null without a data-in object.
    void* GetDocument() const;

    virtual void SetFormat(unsigned short format) { m_format = format; }
    unsigned short GetFormat() const { return m_format; }
    // 0 without a data-in object; else whether the data offers the format (see
    // MCOleDataIn::HasFormat).
    virtual int HasFormat(unsigned short format, int validOnly);
    // Attaches the data-in object to the data to read: here, the clipboard's.
    virtual void Attach();
    virtual void Detach();

    MCEventList& GetEvents() { return m_events; }
    // The block of the key in the side information read; null when there is none.
    const void* GetInfo(int key) const;
    MCOleDataIn* GetDataIn() const { return m_dataIn.get(); }
    MCOleDataInfo* GetDataInfo() const { return m_info; }

    static int ClipboardHasFormat(unsigned short format, int validOnly);
    static int ClipboardHasValidData();

private:
    unsigned short m_format = 0;
    MCEventList m_events{10};
    // Owned by the data-in object.
    MCOleDataInfo* m_info = nullptr;
    std::unique_ptr<MCOleDataIn> m_dataIn;
    void* m_document = nullptr;
};
