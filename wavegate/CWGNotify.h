#pragma once

#include "wavegate/WavegateExport.h"

#include "platform/core/CallbackList.h"
#include "wavegate/WGTypes.h"

#include <cstdint>
#include <mutex>
#include <string>

// Turns a notification code of the device layer into its report: the driver's error text,
// a trace line, and a call of the callback the program registered, so a device failure
// reaches the program.
class WAVEGATE_API CWGNotify {
public:
    // Results of the sound-buffer mixer that have a text of their own.
    enum DSResult : int {
        WG_DS_OK = 0,
        WG_DSERR_UNSUPPORTED = 1,
        WG_DSERR_GENERIC,
        WG_DSERR_NOAGGREGATION,
        WG_DSERR_OUTOFMEMORY,
        WG_DSERR_INVALIDPARAM,
        WG_DSERR_ALLOCATED,
        WG_DSERR_CONTROLUNAVAIL,
        WG_DSERR_INVALIDCALL,
        WG_DSERR_PRIOLEVELNEEDED,
        WG_DSERR_BADFORMAT,
        WG_DSERR_NODRIVER,
        WG_DSERR_ALREADYINITIALIZED,
        WG_DSERR_BUFFERLOST,
        WG_DSERR_OTHERAPPHASPRIO,
        WG_DSERR_UNINITIALIZED,
    };

    // The callback runs on the thread that reports, which may be a device thread holding
    // the device manager's lock: it must not block (post to the user interface instead).
    // It replaces the one registered before, which is not running on another thread and is
    // never called again once this returns; null only removes it.
    void SetNotificationCallback(WGNotifyProc callback, uintptr_t user);
    void Notify(uint32_t code, uintptr_t p1, uintptr_t p2);

    // The trace line of a code, without its line end. For the file codes (600-614, 801,
    // 802) p2 is the file name (a const char*, or 0). Code 311, an underrun of a MIDI
    // stream, carries how many ms its buffer came late in p1 and the device in p2.
    static std::string FormatNotification(uint32_t code, uintptr_t p1, uintptr_t p2);
    // The error text of p1 by the code's range; empty for codes outside the driver ranges.
    static std::string GetErrorText(uint32_t code, uintptr_t p1);
    // Copies at most size - 1 characters of the text for hr, and a terminating zero.
    static void GetDSErrorText(int hr, char* buffer, int size);

private:
    plat::CallbackList<void(uint32_t code, uintptr_t p1, uintptr_t p2)> m_callbacks;
    std::mutex m_connectionMutex;
    plat::Connection m_connection;   // of the registered callback, under m_connectionMutex
};
