#include "interface/document/MCOpusHeader.h"

#include "interface/document/DocumentStrings.h"
#include "platform/core/Archive.h"
#include "platform/core/Strings.h"

#include <climits>
#include <cstring>
#include <mutex>
#include <utility>
#include <sys/stat.h>

PLAT_IMPLEMENT_SERIAL(MCOpusHeader, plat::Object, 1)

namespace {

std::mutex s_hookLock;
MCOpusHeader::PasswordHook& passwordHook()
{
    static MCOpusHeader::PasswordHook hook;
    return hook;
}

}  // namespace

MCOpusHeader::FileStatus MCOpusHeader::FileStatus::of(const std::string& path)
{
    FileStatus status;
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0)
        return status;
    status.createTime = st.st_ctim.tv_sec;
    status.modificationTime = st.st_mtim.tv_sec;
    status.accessTime = st.st_atim.tv_sec;
    status.size = static_cast<uint64_t>(st.st_size);
    status.attributes = st.st_mode;
    status.fullPath = path;
    return status;
}

MCOpusHeader::PasswordHook MCOpusHeader::SetPasswordHook(PasswordHook hook)
{
    std::lock_guard<std::mutex> lock(s_hookLock);
    return std::exchange(passwordHook(), std::move(hook));
}

void MCOpusHeader::Serialize(plat::Archive& archive)
{
    if (archive.isStoring()) {
        archive.writeBytes("KVDF", 4);
        archive.writeU32(static_cast<uint32_t>(m_version));
        if (m_version >= protectionVersion) {
            archive.writeString(m_password);
            archive.writeString(m_userId);
            // Stored in 32 bits, as the format has it.
            archive.writeU32(static_cast<uint32_t>(m_protectionTime));
            archive.writeU32(static_cast<uint32_t>(m_protectionLevel));
            archive.writeI32(m_printCount);
        }
        return;
    }

    // A short file leaves spaces, which no magic matches.
    char magic[4] = {' ', ' ', ' ', ' '};
    const uint64_t left = archive.stream().remaining().value_or(4);
    archive.readBytes(magic, static_cast<size_t>(std::min<uint64_t>(left, 4)));
    if (std::memcmp(magic, "KVDF", 4) == 0) {
        // A version beyond what an int holds is newer than any this program knows.
        const uint32_t version = archive.readU32();
        m_version = version > INT_MAX ? INT_MAX : static_cast<int>(version);
        m_format = formatNative;
    } else if (std::memcmp(magic, "OPUS", 4) == 0) {
        m_version = 0;
        m_format = formatNative;
    } else {
        m_version = -1;
        m_format = formatUnknown;
        return;
    }
    // A newer header may be laid out otherwise: the document refuses it before reading on.
    if (m_version >= protectionVersion && m_version <= currentVersion) {
        m_password = archive.readString();
        m_userId = archive.readString();
        m_protectionTime = archive.readU32();
        m_protectionLevel = static_cast<int>(archive.readU32());
        m_printCount = archive.readI32();
    }
}

int MCOpusHeader::AskPassword(const std::string& prompt, const std::string& expected)
{
    if (expected.empty())
        return 1;
    PasswordHook hook;
    {
        std::lock_guard<std::mutex> lock(s_hookLock);
        hook = passwordHook();
    }
    // No one to ask: a protected operation does not proceed.
    return hook ? (hook(prompt, expected) ? 1 : 0) : 0;
}

int MCOpusHeader::VerifyOperation(int operation) const
{
    if (!(m_protectionLevel & operation))
        return 1;
    uint32_t textId;
    switch (operation) {
    case protectOpen:
        textId = DocumentStrings::operationOpen;
        break;
    case protectEdit:
        textId = DocumentStrings::operationEdit;
        break;
    case protectPrint:
        textId = DocumentStrings::operationPrint;
        break;
    case protectCopy:
        textId = DocumentStrings::operationCopy;
        break;
    default:
        return 1;
    }
    const std::string prompt = plat::format(DocumentStrings::text(DocumentStrings::protectedPrompt).c_str(),
                                            DocumentStrings::text(textId).c_str());
    return AskPassword(prompt, m_userId);
}

int MCOpusHeader::VerifyCreator() const
{
    return AskPassword(DocumentStrings::text(DocumentStrings::creatorPrompt), m_password);
}
