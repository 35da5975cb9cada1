#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/clipboard/MCOleDataInfo.h"
#include "notabase/commands/CCBase.h"
#include "notabase/model/MCEventList.h"

#include <memory>

class MCOleDataOut;

// Puts a list of elements and its side information on the clipboard, in their stored form
// written for the source document. Changes nothing in the piece and cannot be undone.
//
// The static DoCopyEvents makes fresh, independent copies of elements by the same way: it
// writes them as for the clipboard and reads them back.
class NOTABASE_API CCCopy : public CCBase {
    PLAT_DECLARE_DYNCREATE(CCCopy)
public:
    CCCopy();
    ~CCCopy() override;

    int GetCommandId() override;
    // Reduces the list to its top elements in time order and notes its type summary in the
    // side information; makes the data source when there is none.
    int Prepare() override;
    // Writes the side information and the list; when both are written the data goes to the
    // clipboard (which keeps it) and the command lets go of its data source; else 0 and the
    // clipboard keeps what it held.
    int Process() override;

    // Makes the data source when there is none; the document is written with the elements.
    void SetDocument(void* document);
    // Null without a data source.
    void* GetDocument() const;

    virtual void CopyEvent(ECBase* element);
    virtual void CopyEvents(MCEventList* elements);
    // A key present already keeps its first entry.
    virtual void CopyInfo(int key, const void* data, int size);
    MCEventList& GetEvents() { return m_events; }
    // The block stored under the key, or null.
    const void* GetInfo(int key) const;
    MCOleDataInfo& GetDataInfo() { return m_info; }
    MCOleDataOut* GetDataOut() const { return m_dataOut.get(); }

    // Empties dest and fills it with fresh copies of the elements of source, written and read
    // back for the document; 1 when dest holds copies then. 0 for an empty source or when the
    // elements cannot be written or read back, with dest left as it was. The copies are the
    // caller's: one it does not put into a piece it takes apart (its links hold it).
    static int DoCopyEvents(MCEventList& dest, MCEventList& source, void* document);
    // A fresh copy of one element, held by no list (its count as the load left it), or null.
    static ECBase* DoCopyEvent(ECBase* element, void* document);

protected:
    // Writes the side information, then the list, into the data source; 1 when both are.
    int CacheData();

private:
    MCEventList m_events{10};
    MCOleDataInfo m_info;
    std::unique_ptr<MCOleDataOut> m_dataOut;
    // Kept for the data source made again when the command is applied again.
    void* m_document = nullptr;
};
