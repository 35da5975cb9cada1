#include "notabase/tests/TestElements.h"

PLAT_IMPLEMENT_SERIAL(TENote, ECWithTime, plat::kVersionableSchema | 2)
PLAT_IMPLEMENT_SERIAL(TERest, ECWithTime, plat::kVersionableSchema | 2)
PLAT_IMPLEMENT_SERIAL(TEMeasure, ECWithTimeChild, plat::kVersionableSchema | 2)
PLAT_IMPLEMENT_SERIAL(TEStaff, ECWithTimeChild, plat::kVersionableSchema | 2)
PLAT_IMPLEMENT_SERIAL(TEBeam, ECWithChild, plat::kVersionableSchema | 2)
PLAT_IMPLEMENT_SERIAL(TEEnvelope, ECWithTimeChild, plat::kVersionableSchema | 2)
PLAT_IMPLEMENT_SERIAL(TEPoint, ECWithTime, plat::kVersionableSchema | 2)
PLAT_IMPLEMENT_SERIAL(TEConductor, ECWithTimeChild, plat::kVersionableSchema | 2)
PLAT_IMPLEMENT_SERIAL(TEData, DCBase, 1)
PLAT_IMPLEMENT_DYNCREATE(TETransientData, DCBase)

int TEData::s_alive = 0;
bool TEData::s_storeOldLayout = false;
int TETransientData::s_alive = 0;

std::vector<uint8_t> storeObject(const plat::Object* root)
{
    return storeWith([root](plat::Archive& archive) { archive.writeObject(root); });
}

plat::Object* loadObject(const std::vector<uint8_t>& bytes)
{
    plat::Object* result = nullptr;
    loadWith(bytes, [&result](plat::Archive& archive) { result = archive.readObject(); });
    return result;
}
