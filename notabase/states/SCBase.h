#pragma once

#include "notabase/NotabaseExport.h"

#include <cstdint>

class ECPerformanceBase;

// A state notification: a small object with a numeric code that is applied to a performance
// and delivered on the main thread, first to itself (DoState), then to the performance's
// state handlers in the order they registered, then to the one global handler. Subclasses
// in every library carry the fields their codes need.
//
// An auto-delete state (the default) belongs to the state manager once applied and is
// deleted after delivery; one with auto-delete off stays its sender's, who may read what the
// handlers wrote into it after a synchronous apply.
class NOTABASE_API SCBase {
public:
    static constexpr uint32_t kAutoDelete = 0x01;
    static constexpr uint32_t kSynchronous = 0x02;

    SCBase();
    explicit SCBase(int code);
    SCBase(const SCBase& other);
    SCBase& operator=(const SCBase& other);
    virtual ~SCBase();

    virtual int IsSynchronous() const;
    virtual void SetSynchronous(int on);
    virtual int IsAutoDelete() const;
    virtual void SetAutoDelete(int on);
    virtual void Apply(ECPerformanceBase* performance);
    virtual void DoState();

    // The code is kept in 24 bits.
    int GetCode() const { return static_cast<int>(m_flags >> 8); }
    void SetCode(int code);

    ECPerformanceBase* GetTarget() const { return m_target; }
    void SetTarget(ECPerformanceBase* performance) { m_target = performance; }

private:
    uint32_t m_flags;
    ECPerformanceBase* m_target = nullptr;
};
