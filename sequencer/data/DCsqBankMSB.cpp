#include "sequencer/data/DCsqBankMSB.h"

PLAT_IMPLEMENT_SERIAL(DCsqBankMSB, DCsqMidi, plat::kVersionableSchema | 2)

int DCsqBankMSB::GetClassType() const
{
    return SeqClassType::BankMSB;
}
