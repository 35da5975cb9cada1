#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/commands/MCCommandList.h"
#include "notabase/states/SCBase.h"

class CCBase;

// Reports commands: 500 for the commands processed while notification was gathered, 501 for
// a command that was aborted. The list holds a reference on each command.
class NOTABASE_API SCCommand : public SCBase {
public:
    static constexpr int kProcessed = 500;
    static constexpr int kAborted = 501;

    explicit SCCommand(int code);
    ~SCCommand() override;

    void AddCommand(CCBase* command);
    MCCommandList& GetCommands() { return m_commands; }

private:
    MCCommandList m_commands;
};
