#include "platform/core/Archive.h"
#include "platform/core/MemoryStream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

int g_nodesAlive = 0;

// A node that may use an earlier node; the used node keeps a back link to its users, which is
// the kind of link a later object leaves in an earlier one while loading.
class LinkNode : public plat::Object {
    PLAT_DECLARE_SERIAL(LinkNode)
public:
    LinkNode() { ++g_nodesAlive; }
    ~LinkNode() override
    {
        --g_nodesAlive;
        if (m_uses)
            std::erase(m_uses->m_usedBy, this);
        for (LinkNode* user : m_usedBy)
            user->m_uses = nullptr;
    }
    void use(LinkNode* node)
    {
        m_uses = node;
        node->m_usedBy.push_back(this);
    }
    void Serialize(plat::Archive& archive) override
    {
        if (archive.isStoring()) {
            archive.writeObject(m_uses);
            archive.writeU32(m_value);
            return;
        }
        if (auto* used = archive.readObjectAs<LinkNode>())
            use(used);
        m_value = archive.readU32();
    }
    // Drops what it holds, touching no other object.
    void unlinkAfterFailedLoad() override
    {
        m_uses = nullptr;
        m_usedBy.clear();
    }

    LinkNode* m_uses = nullptr;
    std::vector<LinkNode*> m_usedBy;
    uint32_t m_value = 7;
};
PLAT_IMPLEMENT_SERIAL(LinkNode, plat::Object, 1)

// Owns its nodes; stored as a count and the nodes, without a tag of its own.
class NodeHolder : public plat::Object {
public:
    ~NodeHolder() override { clear(); }
    void clear()
    {
        for (auto it = m_nodes.rbegin(); it != m_nodes.rend(); ++it)
            delete *it;
        m_nodes.clear();
    }
    void Serialize(plat::Archive& archive) override
    {
        if (archive.isStoring()) {
            archive.writeCount(static_cast<uint32_t>(m_nodes.size()));
            for (LinkNode* node : m_nodes)
                archive.writeObject(node);
            return;
        }
        const uint32_t count = archive.readCount();
        for (uint32_t i = 0; i < count; ++i)
            m_nodes.push_back(archive.readObjectAs<LinkNode>());
    }
    void unlinkAfterFailedLoad() override { m_nodes.clear(); }

    std::vector<LinkNode*> m_nodes;
};

std::vector<uint8_t> storedPair()
{
    NodeHolder holder;
    holder.m_nodes = {new LinkNode, new LinkNode};
    holder.m_nodes[1]->use(holder.m_nodes[0]);
    plat::MemoryStream stream;
    plat::Archive archive(stream, plat::Archive::Mode::store);
    holder.Serialize(archive);
    return stream.takeData();
}

}  // namespace

TEST(ArchiveLoadIntoTest, ALoadedListKeepsItsLinks)
{
    const std::vector<uint8_t> bytes = storedPair();
    {
        plat::MemoryStream stream{std::span<const uint8_t>(bytes)};
        plat::Archive archive(stream, plat::Archive::Mode::load);
        NodeHolder holder;
        archive.loadInto(holder);
        ASSERT_EQ(holder.m_nodes.size(), 2u);
        EXPECT_EQ(holder.m_nodes[1]->m_uses, holder.m_nodes[0]);
        EXPECT_EQ(holder.m_nodes[0]->m_usedBy, std::vector<LinkNode*>{holder.m_nodes[1]});
    }
    EXPECT_EQ(g_nodesAlive, 0);
}

// The second node fails after it linked itself into the first, which loaded well: every node
// of the list goes, and nothing is left pointing at a deleted one (ASan would see the holder
// delete a node that still names the failed one).
TEST(ArchiveLoadIntoTest, AFailureDisposesOfEverythingTheWholeLoadMade)
{
    const std::vector<uint8_t> bytes = storedPair();
    for (size_t length = 0; length < bytes.size(); ++length) {
        const std::vector<uint8_t> prefix(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length));
        plat::MemoryStream stream{std::span<const uint8_t>(prefix)};
        plat::Archive archive(stream, plat::Archive::Mode::load);
        NodeHolder holder;
        EXPECT_THROW(archive.loadInto(holder), plat::ArchiveError) << length;
        EXPECT_TRUE(holder.m_nodes.empty()) << length;
        EXPECT_EQ(g_nodesAlive, 0) << length;
    }
}
