#include "platform/core/Object.h"
#include "platform/core/Trace.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

class ObjShape : public plat::Object {
    PLAT_DECLARE_DYNAMIC(ObjShape)
};
PLAT_IMPLEMENT_DYNAMIC(ObjShape, plat::Object)

class ObjCircle : public ObjShape {
    PLAT_DECLARE_DYNCREATE(ObjCircle)
};
PLAT_IMPLEMENT_DYNCREATE(ObjCircle, ObjShape)

class ObjDisc : public ObjCircle {
    PLAT_DECLARE_SERIAL(ObjDisc)
};
PLAT_IMPLEMENT_SERIAL(ObjDisc, ObjCircle, plat::kVersionableSchema | 3)

class ObjSquare : public ObjShape {
    PLAT_DECLARE_SERIAL(ObjSquare)
};
PLAT_IMPLEMENT_SERIAL(ObjSquare, ObjShape, 1)

plat::Object* makeSquare() { return new ObjSquare; }

TEST(ObjectTest, IsKindOfFollowsTheBaseChain)
{
    const ObjDisc disc;
    const ObjSquare square;
    struct Case {
        const plat::Object* object;
        const plat::RuntimeClass* cls;
        bool expected;
    };
    const std::vector<Case> cases = {
        {&disc, &ObjDisc::classObject, true},       {&disc, &ObjCircle::classObject, true},
        {&disc, &ObjShape::classObject, true},      {&disc, &plat::Object::classObject, true},
        {&disc, &ObjSquare::classObject, false},    {&square, &ObjCircle::classObject, false},
        {&square, &ObjSquare::classObject, true},   {&disc, nullptr, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.object->isKindOf(c.cls), c.expected)
            << c.object->runtimeClass()->name << " of " << (c.cls ? c.cls->name : "null");

    EXPECT_EQ(plat::dynamicDowncast<ObjCircle>(static_cast<const plat::Object*>(&disc)), &disc);
    EXPECT_EQ(plat::dynamicDowncast<ObjCircle>(static_cast<const plat::Object*>(&square)), nullptr);
    EXPECT_EQ(plat::runtimeClassOf<ObjDisc>(), disc.runtimeClass());
}

TEST(ObjectTest, SchemaAndVersioning)
{
    EXPECT_EQ(ObjDisc::classObject.storedSchema(), 3u);
    EXPECT_TRUE(ObjDisc::classObject.isVersionable());
    EXPECT_EQ(ObjSquare::classObject.storedSchema(), 1u);
    EXPECT_FALSE(ObjSquare::classObject.isVersionable());
    EXPECT_EQ(ObjCircle::classObject.schema, plat::kNoSchema);
}

// The test program is a library boundary of its own: its classes register in the registry
// of the platform library, beside the platform's own root class.
TEST(ObjectTest, CreationByName)
{
    EXPECT_EQ(plat::RuntimeClass::fromName("ObjDisc"), &ObjDisc::classObject);
    EXPECT_EQ(plat::RuntimeClass::fromName("Object"), &plat::Object::classObject);
    EXPECT_EQ(plat::RuntimeClass::fromName("NoSuchClass"), nullptr);
    EXPECT_EQ(plat::RuntimeClass::fromName("disc"), nullptr);

    const std::unique_ptr<plat::Object> made(plat::RuntimeClass::createObject("ObjCircle"));
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->runtimeClass(), &ObjCircle::classObject);

    // Classes without a factory cannot be made.
    EXPECT_EQ(plat::RuntimeClass::createObject("ObjShape"), nullptr);
    EXPECT_EQ(plat::RuntimeClass::createObject("Object"), nullptr);
    EXPECT_EQ(plat::RuntimeClass::createObject("NoSuchClass"), nullptr);
}

// A class registers when its library loads and unregisters when it unloads; a second class
// of the same name waits behind the first.
TEST(ObjectTest, DuplicateNamesKeepTheFirstUntilItUnloads)
{
    std::vector<std::string> lines;
    const plat::TraceSink previous = plat::setTraceSink([&](std::string_view line) { lines.emplace_back(line); });

    auto first = std::make_unique<plat::RuntimeClass>("ObjectTestTwin", &plat::Object::classObject, 1, &makeSquare);
    auto second = std::make_unique<plat::RuntimeClass>("ObjectTestTwin", &ObjShape::classObject, 2, nullptr);
    EXPECT_EQ(plat::RuntimeClass::fromName("ObjectTestTwin"), first.get());
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("ObjectTestTwin"), std::string::npos);

    first.reset();
    EXPECT_EQ(plat::RuntimeClass::fromName("ObjectTestTwin"), second.get());
    second.reset();
    EXPECT_EQ(plat::RuntimeClass::fromName("ObjectTestTwin"), nullptr);
    // A real class of the same name as one that left is unaffected.
    EXPECT_EQ(plat::RuntimeClass::fromName("ObjSquare"), &ObjSquare::classObject);

    plat::setTraceSink(previous);
}

}  // namespace
