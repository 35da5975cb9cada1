#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/states/SCBase.h"

#include <string>

// Status text and progress (1801 begin, 1802 set, 1803 step, 1804 end). The class counts
// its living states, so that senders can hold back while receivers fall behind.
class NOTABASE_API SCStatus : public SCBase {
public:
    explicit SCStatus(int code);
    SCStatus(int code, const std::string& message);
    // The message is the text of that id in the current string table; empty when missing.
    SCStatus(int code, int stringId);
    SCStatus(const SCStatus& other);
    SCStatus& operator=(const SCStatus& other) = default;
    ~SCStatus() override;

    void SetMessage(unsigned int stringId);
    void SetMessage(const std::string& message) { m_message = message; }
    const std::string& GetMessage() const { return m_message; }

    void GetProgressRange(int& low, int& high) const;
    void SetProgressRange(int low, int high);
    int GetProgressStep() const { return m_progressStep; }
    void SetProgressStep(int step) { m_progressStep = step; }

    // The number of SCStatus objects that exist.
    static int GetLiveCount();

private:
    std::string m_message;
    int m_progressLow = 0;
    int m_progressHigh = 100;
    int m_progressStep = 1;
};
