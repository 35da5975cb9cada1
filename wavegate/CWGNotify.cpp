#include "wavegate/CWGNotify.h"

#include "platform/core/Strings.h"
#include "platform/core/Trace.h"
#include "platform/media/MediaError.h"

#include <cstring>
#include <utility>

namespace {

const char* deviceLine(uint32_t code)
{
    switch (code) {
    case 100: return "Error creating DS object %d: %s";
    case 101: return "Error setting coop level for DS object %d: %s";
    case 102: return "Error creating buffer for DS object %d: %s";
    case 103: return "Error starting DS object %d: %s";
    case 104: return "Error stopping DS object %d: %s";
    case 105: return "Error setting format for DS object %d: %s";
    case 106: return "Error getting format for DS object %d: %s";
    case 107: return "Error compacting on DS object %d: %s";
    case 108: return "Error duplicating DS object %d: %s";
    case 109: return "Error getting caps for DS object %d: %s";
    case 110: return "Error getting speaker config for DS object %d: %s";
    case 111: return "Error setting speaker config for DS object %d: %s";
    case 112: return "Error getting frequency for DS object %d: %s";
    case 113: return "Error setting frequency for DS object %d: %s";
    case 114: return "Error getting pan for DS object %d: %s";
    case 115: return "Error setting pan for DS object %d: %s";
    case 116: return "Error getting volume for DS object %d: %s";
    case 117: return "Error setting volume for DS object %d: %s";
    case 118: return "Error getting position for DS object %d: %s";
    case 119: return "Error setting position for DS object %d: %s";
    case 120: return "Error getting status for DS object %d: %s";
    case 121: return "Error locking buffer for DS object %d: %s";
    case 122: return "Error unlocking buffer for DS object %d: %s";
    case 200: return "Error opening MIDI in device %d: %s";
    case 201: return "Error starting MIDI in device %d: %s";
    case 202: return "Error stopping MIDI in device %d: %s";
    case 203: return "Error closing MIDI in device %d: %s";
    case 204: return "Error getting MIDI in caps for device %d: %s";
    case 300: return "Error opening MIDI stream device %d: %s";
    case 301: return "Error starting MIDI stream device %d: %s";
    case 302: return "Error pausing MIDI stream device %d: %s";
    case 303: return "Error stopping MIDI stream device %d: %s";
    case 304: return "Error closing MIDI stream device %d: %s";
    case 305: return "Error preparing MIDI stream buffer on device %d: %s";
    case 306: return "Error sending MIDI stream buffer on device %d: %s";
    case 307: return "Error unpreparing MIDI stream buffer on device %d: %s";
    case 308: return "Error setting MIDI stream timing on device %d: %s";
    case 309: return "Error getting MIDI out caps for device %d: %s";
    case 310: return "Error sending MIDI short message on device %d: %s";
    case 400: return "Error opening WAVE in device %d: %s";
    case 401: return "Error starting WAVE in device %d: %s";
    case 402: return "Error stopping WAVE in device %d: %s";
    case 403: return "Error closing WAVE in device %d: %s";
    case 404: return "Error preparing buffer on WAVE in device %d: %s";
    case 405: return "Error adding buffer on WAVE in device %d: %s";
    case 406: return "Error unpreparing buffer on WAVE in device %d: %s";
    case 407: return "Error resetting WAVE in device %d: %s";
    case 500: return "Error opening WAVE out device %d: %s";
    case 501: return "Error starting WAVE out device %d: %s";
    case 502: return "Error stopping WAVE out device %d: %s";
    case 503: return "Error closing WAVE out device %d: %s";
    default: return nullptr;
    }
}

const char* fileLine(uint32_t code)
{
    switch (code) {
    case 600: return "Error (%d) opening file %s for reading";
    case 601: return "Error (%d) closing file %s";
    case 602: return "Seek error (%d) in file %s";
    case 603: return "Descend error (%d) in file %s";
    case 604: return "Ascend error (%d) in file %s";
    case 605: return "Read error (%d) in file %s";
    case 606: return "Setbuffer error (%d) in file %s";
    case 607: return "Advance error (%d) in file %s";
    case 608: return "Create chunk error (%d) in file %s";
    case 609: return "Flush error (%d) in file %s";
    case 610: return "Getinfo error (%d) in file %s";
    case 611: return "Setinfo error (%d) in file %s";
    case 612: return "Rename error (%d) in file %s";
    case 613: return "Write error (%d) in file %s";
    case 614: return "Error (%d) opening file %s for writing";
    default: return nullptr;
    }
}

const char* dsText(int hr)
{
    switch (hr) {
    case CWGNotify::WG_DSERR_UNSUPPORTED: return "DSERR_UNSUPPORTED The function called is not supported at this time.";
    case CWGNotify::WG_DSERR_GENERIC: return "DSERR_GENERIC An undetermined error occurred inside the DirectSound subsystem.";
    case CWGNotify::WG_DSERR_NOAGGREGATION: return "DSERR_NOAGGREGATION The object does not support aggregation.";
    case CWGNotify::WG_DSERR_OUTOFMEMORY: return "DSERR_OUTOFMEMORY The DirectSound subsystem could not allocate sufficient memory to complete the caller's request.";
    case CWGNotify::WG_DSERR_INVALIDPARAM: return "DSERR_INVALIDPARAM An invalid parameter was passed to the returning function.";
    case CWGNotify::WG_DSERR_ALLOCATED: return "DSERR_ALLOCATED The request failed because resources, such as a priority level, were already in use by another caller.";
    case CWGNotify::WG_DSERR_CONTROLUNAVAIL: return "DSERR_CONTROLUNAVAIL The control (volume, pan, and so forth) requested by the caller is not available.";
    case CWGNotify::WG_DSERR_INVALIDCALL: return "DSERR_INVALIDCALL This function is not valid for the current state of this object.";
    case CWGNotify::WG_DSERR_PRIOLEVELNEEDED: return "DSERR_PRIOLEVELNEEDED The caller does not have the priority level required for the function to succeed.";
    case CWGNotify::WG_DSERR_BADFORMAT: return "DSERR_BADFORMAT The specified wave format is not supported.";
    case CWGNotify::WG_DSERR_NODRIVER: return "DSERR_NODRIVER No sound driver is available for use.";
    case CWGNotify::WG_DSERR_ALREADYINITIALIZED: return "DSERR_ALREADYINITIALIZED The object is already initialized.";
    case CWGNotify::WG_DSERR_BUFFERLOST: return "DSERR_BUFFERLOST The buffer memory has been lost and must be restored.";
    case CWGNotify::WG_DSERR_OTHERAPPHASPRIO: return "DSERR_OTHERAPPHASPRIO This value is obsolete and is not used.";
    case CWGNotify::WG_DSERR_UNINITIALIZED: return "DSERR_UNINITIALIZED The IDirectSound::Initialize method has not been called or has not been called successfully before other methods were called.";
    default: return "DSERROR!! Unrecognized error in Direct Sound.";
    }
}

const char* fileName(uintptr_t p)
{
    const char* name = reinterpret_cast<const char*>(p);
    return name ? name : "";
}

}  // namespace

void CWGNotify::SetNotificationCallback(WGNotifyProc callback, uintptr_t user)
{
    // The previous callback goes first, so that no notification reaches both. Disconnecting
    // waits for a call of it on another thread, so it happens outside the lock.
    plat::Connection previous;
    {
        std::lock_guard lock(m_connectionMutex);
        previous = std::exchange(m_connection, plat::Connection());
    }
    previous.disconnect();
    if (!callback)
        return;
    plat::Connection connection =
        m_callbacks.add([callback, user](uint32_t code, uintptr_t p1, uintptr_t p2) { callback(user, code, p1, p2); });
    {
        std::lock_guard lock(m_connectionMutex);
        previous = std::exchange(m_connection, std::move(connection));
    }
    // One that another thread registered meanwhile gives way to this one.
    previous.disconnect();
}

void CWGNotify::Notify(uint32_t code, uintptr_t p1, uintptr_t p2)
{
    if (plat::isTraceEnabled())
        plat::trace("%s", FormatNotification(code, p1, p2).c_str());
    m_callbacks.call(code, p1, p2);
}

void CWGNotify::GetDSErrorText(int hr, char* buffer, int size)
{
    if (!buffer || size <= 0)
        return;
    const char* text = dsText(hr);
    const size_t n = std::min(std::strlen(text), static_cast<size_t>(size - 1));
    std::memcpy(buffer, text, n);
    buffer[n] = '\0';
}

std::string CWGNotify::GetErrorText(uint32_t code, uintptr_t p1)
{
    if (code >= 100 && code <= 199) {
        char buffer[256];
        GetDSErrorText(static_cast<int>(p1), buffer, sizeof buffer);
        return buffer;
    }
    // An underrun carries a lateness, not an error number.
    if (code >= 200 && code <= 799 && code != 311)
        return plat::media::mediaErrorText(static_cast<int>(p1));
    return {};
}

std::string CWGNotify::FormatNotification(uint32_t code, uintptr_t p1, uintptr_t p2)
{
    const int n1 = static_cast<int>(p1);
    const int n2 = static_cast<int>(p2);
    switch (code) {
    case 1: return plat::format("Polled performance %d done", n1);
    case 2: return plat::format("Polled performance %d stopped", n1);
    case 3: return plat::format("Midi recording %d stopped", n1);
    case 4: return plat::format("Wave recording %d stopped", n1);
    case 311: return plat::format("Underrun on MIDI stream device %d: buffer %d ms late", n2, n1);
    case 800: return "Error creating media event timer";
    case 801: return plat::format("File %s does not exist", fileName(p2));
    case 802: return plat::format("Out of memory in file %s", fileName(p2));
    case 803: return plat::format("Error allocating virtual memory on WAVE in device %d", n2);
    case 804: return plat::format("Error locking virtual memory on WAVE in device %d", n2);
    default: break;
    }
    if (const char* line = deviceLine(code))
        return plat::format(line, n2, GetErrorText(code, p1).c_str());
    if (const char* line = fileLine(code))
        return plat::format(line, n1, fileName(p2));
    return plat::format("ERROR %d (%d %d)", static_cast<int>(code), n1, n2);
}
