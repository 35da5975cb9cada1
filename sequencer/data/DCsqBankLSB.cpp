#include "sequencer/data/DCsqBankLSB.h"

PLAT_IMPLEMENT_SERIAL(DCsqBankLSB, DCsqMidi, plat::kVersionableSchema | 2)

int DCsqBankLSB::GetClassType() const
{
    return SeqClassType::BankLSB;
}
