#include "rack/rackplayer/RackProfile.h"

#include "rack/outside/plinthbase/Tokens.h"
#include "rack/plinthart/PlinthProfile.h"
#include "rack/rackplayer/RackState.h"

#include "platform/core/Strings.h"

#include <cctype>
#include <string>

namespace rack {

namespace {

std::string value(std::string_view section, std::string_view key, std::string_view fallback, size_t size = 10)
{
    return PlinthProfile::getString(section, key, fallback, size);
}

const char* onOff(bool on)
{
    return on ? "On" : "Off";
}

const char* yesNo(bool yes)
{
    return yes ? "Yes" : "No";
}

std::string upper(std::string text)
{
    for (char& c : text)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

bool RackProfile::readOnOff(std::string_view text)
{
    return !(text.size() >= 2 && (text[1] == 'F' || text[1] == 'f'));
}

bool RackProfile::readYes(std::string_view text)
{
    return !text.empty() && (text[0] == 'Y' || text[0] == 'y');
}

bool RackProfile::readNotNo(std::string_view text)
{
    return !(!text.empty() && (text[0] == 'N' || text[0] == 'n'));
}

QPoint RackProfile::readLocation(std::string_view text)
{
    if (!text.empty() && text[0] == 'X')
        return QPoint(1, 1);
    auto number = [&text](int index) {
        std::string token;
        if (!GetLongStringVector(index, text, token))
            return 1;
        const std::optional<int64_t> parsed = plat::parseInt(token);
        return parsed ? static_cast<int>(*parsed) : 1;
    };
    return QPoint(number(0), number(1));
}

void RackProfile::readStartup(RackState& state)
{
    state.midiInputDevice = Asci2Int(value("Stereo", "MidiInputDevice", "0"));
    state.midiFeedthru = upper(value("Stereo", "MidiFeedthru", "Off")) == "ON";
    state.waveLoop = readOnOff(value("Stereo", "WaveLoop", "On"));
    state.midiLoop = readOnOff(value("Stereo", "MidiLoop", "On"));
    state.cdLoop = readOnOff(value("Stereo", "CDLoop", "On"));
    state.hasWave = readNotNo(value("Setup", "HasWaveFeatures", "Yes"));
    state.hasMidi = readNotNo(value("Setup", "HasMidiFeatures", "Yes"));
    state.hasCd = readNotNo(value("Setup", "HasCDFeatures", "Yes"));
    // Read as the profile has it, and not used further.
    (void)Asci2Word(value("Setup", "Verbosity", "1"));
    state.cdStopsAtExit = !readNotNo(value("CD", "ExitPlaying", "No"));
    state.cdCloseProtocol = upper(value("CD", "CDProtocol", "Close")) == "CLOSE";
}

void RackProfile::readBands(RackState& state)
{
    state.onTop = readYes(value("Stereo", "OnTop", "No", 12));
    state.showToolbar = readYes(value("Stereo", "StartToolbar", "Yes", 12));
    state.showMixer = readYes(value("Stereo", "StartMixer", "Yes", 12));
    state.showWave = state.hasWave && readYes(value("Stereo", "StartWave", "Yes", 12));
    state.showMidi = state.hasMidi && readYes(value("Stereo", "StartMidi", "Yes", 12));
    state.showCd = state.hasCd && readYes(value("Stereo", "StartCD", "Yes", 12));
}

QPoint RackProfile::windowLocation()
{
    return readLocation(value("Stereo", "WindowLocation", "X", 32));
}

void RackProfile::writeRunStereo(std::string_view programPath)
{
    PlinthProfile::setString("Setup", "RunStereo", programPath);
}

void RackProfile::writeOnTop(bool onTop)
{
    PlinthProfile::setString("Stereo", "OnTop", yesNo(onTop));
}

void RackProfile::writeWindowLocation(const QPoint& topLeft)
{
    PlinthProfile::setString("Stereo", "WindowLocation", plat::format("%d %d", topLeft.x(), topLeft.y()));
}

void RackProfile::writeMidiInputDevice(int device)
{
    PlinthProfile::setString("Stereo", "MidiInputDevice", plat::format("%d", device));
}

void RackProfile::writeShutdown(const RackState& state)
{
    PlinthProfile::setString("Stereo", "StartToolbar", yesNo(state.showToolbar));
    PlinthProfile::setString("Stereo", "StartMixer", yesNo(state.showMixer));
    PlinthProfile::setString("Stereo", "StartWave", yesNo(state.showWave));
    PlinthProfile::setString("Stereo", "StartMidi", yesNo(state.showMidi));
    PlinthProfile::setString("Stereo", "StartCD", yesNo(state.showCd));
    PlinthProfile::setString("Stereo", "WaveLoop", onOff(state.waveLoop));
    PlinthProfile::setString("Stereo", "MidiLoop", onOff(state.midiLoop));
    PlinthProfile::setString("Stereo", "MidiFeedthru", onOff(state.midiFeedthru));
    PlinthProfile::setString("Stereo", "CDLoop", onOff(state.cdLoop));
    PlinthProfile::setString("CD", "ExitPlaying", state.cdStopsAtExit ? "No" : "Yes");
    PlinthProfile::setString("CD", "CDProtocol", state.cdCloseProtocol ? "Close" : "Eject");
}

}  // namespace rack
