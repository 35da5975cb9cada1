#include "notabase/model/MCMirrored.h"

#include "notabase/model/ECMirror.h"

MCMirrored::~MCMirrored()
{
    RemoveMirrors();
}

void MCMirrored::AddMirror(ECMirror* mirror)
{
    if (!mirror)
        return;
    if (!m_mirrors.Find(mirror))
        m_mirrors.AddEvent(mirror, 1);
    mirror->SetMirrorEvent(&m_element, 0);
}

void MCMirrored::RemoveMirror(ECMirror* mirror)
{
    if (!mirror)
        return;
    mirror->SetMirrorEvent(nullptr, 0);
    m_mirrors.RemoveEvent(mirror);
}

void MCMirrored::RemoveMirrors()
{
    while (!m_mirrors.IsEmpty())
        RemoveMirror(static_cast<ECMirror*>(m_mirrors.GetHead()));
}

MCMirrored* MCMirrored::Of(ECBase* element)
{
    return dynamic_cast<MCMirrored*>(element);
}
