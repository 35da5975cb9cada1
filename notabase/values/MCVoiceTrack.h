#pragma once

#include "notabase/NotabaseExport.h"

#include <cstdint>

// Which voice and track an element belongs to: voice in bits 0-3 (15 none), track in bits 4-14
// (2047 none). Once converted for playback (bit 15 set) the word holds a device in bits 0-7 and
// a channel in bits 8-14 instead.
class NOTABASE_API MCVoiceTrack {
public:
    static constexpr int noVoice = 15;
    static constexpr int noTrack = 2047;
    // The highest number a staff or a wave track can have: 2046 stands for every track.
    static constexpr int lastTrack = 2045;
    static constexpr int noDevice = 255;
    static constexpr int noChannel = 127;

    MCVoiceTrack() = default;
    MCVoiceTrack(int voice, int track) { SetVoiceTrack(voice, track); }

    bool operator==(const MCVoiceTrack& other) const { return m_word == other.m_word; }
    bool operator!=(const MCVoiceTrack& other) const { return m_word != other.m_word; }

    int GetVoice() const { return IsConverted() ? noVoice : (m_word & 0x000F); }
    int GetTrack() const { return IsConverted() ? noTrack : ((m_word >> 4) & 0x07FF); }
    void SetVoice(int voice) { m_word = static_cast<uint16_t>((m_word & 0x7FF0) | (voice & 0x000F)); }
    void SetTrack(int track)
    {
        m_word = static_cast<uint16_t>((m_word & 0x000F) | ((track << 4) & 0xFFF0));
    }
    void SetVoiceTrack(int voice, int track)
    {
        m_word = static_cast<uint16_t>(((voice & 0x000F) | (track << 4)) & 0x7FFF);
    }

    int GetDevice() const { return IsConverted() ? (m_word & 0x00FF) : noDevice; }
    void SetDevice(int device) { m_word = static_cast<uint16_t>((m_word & 0x7F00) | (device & 0x00FF) | 0x8000); }
    int GetChannel() const { return IsConverted() ? ((m_word >> 8) & 0x007F) : noChannel; }
    void SetChannel(int channel)
    {
        m_word = static_cast<uint16_t>((m_word & 0x00FF) | ((channel & 0x007F) << 8) | 0x8000);
    }

    bool IsConverted() const { return (m_word & 0x8000) != 0; }
    uint16_t GetValue() const { return m_word; }
    void SetValue(uint16_t word) { m_word = word; }

private:
    uint16_t m_word = 0x7FFF;
};
