#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/MCEventList.h"

class ECBase;
class ECMirror;

// What keys, clefs, meters and tempo marks share as elements that mirrors show on other
// staves: the list of their mirrors. The list holds the mirrors; each mirror points back
// without holding. When the element goes, its mirrors are cut loose first, so that none is
// left pointing at a freed element.
class NOTABASE_API MCMirrored {
public:
    explicit MCMirrored(ECBase& element) : m_element(element) {}
    MCMirrored(const MCMirrored&) = delete;
    MCMirrored& operator=(const MCMirrored&) = delete;
    virtual ~MCMirrored();

    MCEventList& GetMirrors() { return m_mirrors; }
    // Lists the mirror (once) and makes it point at this element.
    void AddMirror(ECMirror* mirror);
    // Makes the mirror point at nothing and takes it off the list.
    void RemoveMirror(ECMirror* mirror);
    void RemoveMirrors();

    // The mirror list of an element that mirrors can show; null for any other.
    static MCMirrored* Of(ECBase* element);

private:
    ECBase& m_element;
    MCEventList m_mirrors;
};
