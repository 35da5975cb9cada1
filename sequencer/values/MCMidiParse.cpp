#include "sequencer/values/MCMidiParse.h"

#include "notabase/values/FCMidi.h"
#include "notabase/values/FCMidiSysEx.h"
#include "notabase/values/MCTime.h"
#include "notabase/values/MCVoiceTrack.h"
#include "platform/core/Strings.h"

namespace {

// Every name is 20 characters, so the columns after it line up.
constexpr const char* kControllerNames[128] = {
    "Bank Select      MSB",
    "Modulation Wheel MSB",
    "Breath Ctrl.     MSB",
    "Undefined Ctrl.  MSB",
    "Foot Controller  MSB",
    "Portamento Time  MSB",
    "Data Entry       MSB",
    "Volume           MSB",
    "Balance          MSB",
    "Undefined Ctrl.  MSB",
    "Pan              MSB",
    "Expression Ctrl. MSB",
    "Effect 1         MSB",
    "Effect 2         MSB",
    "Undefined Ctrl.  MSB",
    "Undefined Ctrl.  MSB",
    "Gen. Purpose 1   MSB",
    "Gen. Purpose 2   MSB",
    "Gen. Purpose 3   MSB",
    "Gen. Purpose 4   MSB",
    "Undefined Ctrl.  MSB",
    "Undefined Ctrl.  MSB",
    "Undefined Ctrl.  MSB",
    "Undefined Ctrl.  MSB",
    "Undefined Ctrl.  MSB",
    "Undefined Ctrl.  MSB",
    "Undefined Ctrl.  MSB",
    "Undefined Ctrl.  MSB",
    "Undefined Ctrl.  MSB",
    "Undefined Ctrl.  MSB",
    "Undefined Ctrl.  MSB",
    "Undefined Ctrl.  MSB",
    "Bank Select      LSB",
    "Modulation Wheel LSB",
    "Breath Ctrl.     LSB",
    "Undefined Ctrl.  LSB",
    "Foot Controller  LSB",
    "Portamento Time  LSB",
    "Data Entry       LSB",
    "Volume           LSB",
    "Balance          LSB",
    "Undefined Ctrl.  LSB",
    "Pan              LSB",
    "Expression Ctrl. LSB",
    "Effect 1         LSB",
    "Effect 2         LSB",
    "Undefined Ctrl.  LSB",
    "Undefined Ctrl.  LSB",
    "Gen. Purpose 1   LSB",
    "Gen. Purpose 2   LSB",
    "Gen. Purpose 3   LSB",
    "Gen. Purpose 4   LSB",
    "Undefined Ctrl.  LSB",
    "Undefined Ctrl.  LSB",
    "Undefined Ctrl.  LSB",
    "Undefined Ctrl.  LSB",
    "Undefined Ctrl.  LSB",
    "Undefined Ctrl.  LSB",
    "Undefined Ctrl.  LSB",
    "Undefined Ctrl.  LSB",
    "Undefined Ctrl.  LSB",
    "Undefined Ctrl.  LSB",
    "Undefined Ctrl.  LSB",
    "Undefined Ctrl.  LSB",
    "Damper Pedal        ",
    "Portamento Switch   ",
    "Sostenuto           ",
    "Soft Pedal          ",
    "Legato Footswitch   ",
    "Hold 2              ",
    "Sound Variation     ",
    "Sound Timbre        ",
    "Sound Release Time  ",
    "Sound Attack Time   ",
    "Sound Brightness    ",
    "Sound Ctrl. 6       ",
    "Sound Ctrl. 7       ",
    "Sound Ctrl. 8       ",
    "Sound Ctrl. 9       ",
    "Sound Ctrl. 10      ",
    "General Purpose 5   ",
    "General Purpose 6   ",
    "General Purpose 7   ",
    "General Purpose 8   ",
    "Portamento Control  ",
    "Undefined Ctrl.     ",
    "Undefined Ctrl.     ",
    "Undefined Ctrl.     ",
    "Undefined Ctrl.     ",
    "Undefined Ctrl.     ",
    "Undefined Ctrl.     ",
    "Effect 1 Depth      ",
    "Effect 2 Depth      ",
    "Effect 3 Depth      ",
    "Effect 4 Depth      ",
    "Effect 5 Depth      ",
    "Data Increment      ",
    "Data Decrement      ",
    "NRPN LSB            ",
    "NRPN MSB            ",
    "RPN LSB             ",
    "PRN MSB             ",
    "Undefined Ctrl.     ",
    "Undefined Ctrl.     ",
    "Undefined Ctrl.     ",
    "Undefined Ctrl.     ",
    "Undefined Ctrl.     ",
    "Undefined Ctrl.     ",
    "Undefined Ctrl.     ",
    "Undefined Ctrl.     ",
    "Undefined Ctrl.     ",
    "Undefined Ctrl.     ",
    "Undefined Ctrl.     ",
    "Undefined Ctrl.     ",
    "Undefined Ctrl.     ",
    "Undefined Ctrl.     ",
    "Undefined Ctrl.     ",
    "Undefined Ctrl.     ",
    "Undefined Ctrl.     ",
    "Undefined Ctrl.     ",
    "All Sound Off       ",
    "Reset Controllers   ",
    "Local Control       ",
    "All Notes Off       ",
    "Omni Mode Off       ",
    "Omni Mode On        ",
    "Poly Mode Off       ",
    "Poly Mode On        "
};

constexpr unsigned int kShownSysExBytes = 20;

}  // namespace

MCMidiParse::MCMidiParse()
{
    m_line.reserve(256);
}

MCMidiParse::MCMidiParse(CSequence* sequence) : MCMidiParse()
{
    m_sequence = sequence;
}

const char* MCMidiParse::ParseController(const FCMidi& message)
{
    const unsigned int controller = message.GetDataByte1();
    return controller < 128 ? kControllerNames[controller] : nullptr;
}

std::string MCMidiParse::ParseSysEx(const FCMidiSysEx* message)
{
    std::string text;
    if (!message)
        text = "Sys/Ex      Message:             ";
    else if (message->IsGMSystemOnMsg())
        text = "Sys/Ex      General MIDI ON:     ";
    else if (message->IsGMSystemOffMsg())
        text = "Sys/Ex      General MIDI OFF:    ";
    else if (message->IsGSSystemOnMsg())
        text = "Sys/Ex      Roland GS ON    :    ";
    else if (message->IsXGSystemOnMsg())
        text = "Sys/Ex      Yamaha XG ON:        ";
    else if (message->IsMasterVolumeMsg())
        text = "Sys/Ex      Master Volume:       ";
    else if (message->IsMasterBalanceMsg())
        text = "Sys/Ex      Master Balance:      ";
    else
        text = "Sys/Ex      Message:             ";
    if (!message)
        return text;
    const unsigned int length = message->GetSysExBufLength();
    const unsigned char* bytes = message->GetSysExBuf();
    for (unsigned int i = 0; i < length && i < kShownSysExBytes && bytes; ++i)
        text += plat::format("%02X ", bytes[i]);
    if (length > kShownSysExBytes)
        text += plat::format("...(%u more bytes)", length - kShownSysExBytes);
    return text;
}

const std::string& MCMidiParse::ParseMidi(const FCMidi& message)
{
    const unsigned int status = message.GetStatusByte();
    const unsigned int data1 = message.GetDataByte1();
    const unsigned int data2 = message.GetDataByte2();
    if (status == 0xF0) {
        m_message = ParseSysEx(dynamic_cast<const FCMidiSysEx*>(&message));
        return m_message;
    }
    m_message = plat::format("%02X %02X %02X -- ", status, data1, data2);
    const unsigned int channel = (status & 0x0F) + 1;
    if (message.IsChannelMsg()) {
        switch (status & 0xF0) {
        case 0x80:
            m_message += plat::format("Note OFF             ch %2u key %3u rel %3u", channel, data1, data2);
            break;
        case 0x90:
            if (data2 == 0)
                m_message += plat::format("Note OFF             ch %2u key %3u", channel, data1);
            else
                m_message += plat::format("Note ON              ch %2u key %3u vel %3u", channel, data1, data2);
            break;
        case 0xA0:
            m_message += plat::format("Poly Pressure        ch %2u key %3u prs %3u", channel, data1, data2);
            break;
        case 0xB0: {
            const char* name = ParseController(message);
            m_message += plat::format("%s ch %2u typ %3u val %3u", name ? name : "", channel, data1, data2);
            break;
        }
        case 0xC0:
            m_message += plat::format("Program Change       ch %2u prg %3u", channel, data1);
            break;
        case 0xD0:
            m_message += plat::format("Channel Pressure     ch %2u prs %3u", channel, data1);
            break;
        case 0xE0: {
            const int bend = static_cast<int>(data2 * 128 + data1);
            m_message += plat::format("Pitch Bend           ch %2u bnd %5d (%+5d)", channel, bend, bend - 8192);
            break;
        }
        default:
            break;
        }
        return m_message;
    }
    switch (status) {
    case 0xF1:
        m_message += plat::format("Time Code Qrtr. Frm. type %u val %u", (data1 & 0x70) >> 4, data1 & 0x0F);
        break;
    case 0xF2:
        m_message += plat::format("Song Position Ptr.   lsb %3u msb %3u", data1, data2);
        break;
    case 0xF3:
        m_message += plat::format("Song Select          sng %3u", data1);
        break;
    case 0xF4:
    case 0xF5:
        m_message += "Undefined Sys/Common";
        break;
    case 0xF6:
        m_message += "Tune Request         ";
        break;
    case 0xF7:
        m_message += "ERROR: End of Sys/Ex ";
        break;
    case 0xF8:
        m_message += "Timing Clock";
        break;
    case 0xF9:
        m_message += "Undefined Sys/Realtime";
        break;
    case 0xFA:
        m_message += "Start";
        break;
    case 0xFB:
        m_message += "Continue";
        break;
    case 0xFC:
        m_message += "Stop";
        break;
    case 0xFD:
        m_message += "Undefine Sys/Realtime";
        break;
    case 0xFE:
        m_message += "Active Sensing";
        break;
    case 0xFF:
        m_message += "System Reset";
        break;
    default:
        break;
    }
    return m_message;
}

const std::string& MCMidiParse::ParseMidi(const MCTime& time, const MCVoiceTrack& voiceTrack, unsigned int count, const FCMidi& message)
{
    ParseMidi(message);
    const int track = voiceTrack.IsConverted() ? MCVoiceTrack::noTrack : voiceTrack.GetTrack();
    const int voice = voiceTrack.IsConverted() ? MCVoiceTrack::noVoice : voiceTrack.GetVoice();
    m_line = plat::format("%f trk %2d(%d) -- %u: %s", static_cast<double>(time.GetSeconds()), track, voice, count, m_message.c_str());
    return m_line;
}
