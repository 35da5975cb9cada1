#pragma once

#include "interface/InterfaceExport.h"

#include "notabase/values/MCTime.h"

#include <functional>

class CSequence;

// What the time edit converts musical times with: the active document's sequence and its
// meters. The program installs the provider of the active document's source; with none (no
// document), time edits show their blank text and take no typed text.
class INTERFACE_API MCTimeSource {
public:
    using Provider = std::function<MCTimeSource*()>;

    virtual ~MCTimeSource();

    // A normalized, absolute or clock time in place to bar/pulse/tick at MCTime::GlobalPPQ.
    virtual void BarPulseTickTime(MCTime& time) = 0;
    // A bar/pulse/tick time in place to a normalized time.
    virtual void NormalizeTime(MCTime& time) = 0;
    // The beats of the meter in force at time.
    virtual int MeterNumerator(const MCTime& time) = 0;

    static void SetActiveProvider(Provider provider);
    static MCTimeSource* Active();
};

// The time source of a sequence: its conversions and its conductor's meters.
class INTERFACE_API MCSequenceTimeSource : public MCTimeSource {
public:
    explicit MCSequenceTimeSource(CSequence& sequence) : m_sequence(sequence) {}

    void BarPulseTickTime(MCTime& time) override;
    void NormalizeTime(MCTime& time) override;
    int MeterNumerator(const MCTime& time) override;

private:
    CSequence& m_sequence;
};
