#pragma once

#include "interface/InterfaceExport.h"

#include "platform/core/Object.h"

#include <cstdint>
#include <functional>
#include <string>

// The header of a native document: its format, its format version and the user's protection
// settings, with the status of the document's file (which is not stored).
//
// Stored as the magic "KVDF", the 32-bit version and, from version 3 on, the creator
// password, the user id, the protection time, the protection level and the print count. An
// older header begins with "OPUS" and has no version. Anything else reads as format -1.
class INTERFACE_API MCOpusHeader : public plat::Object {
    PLAT_DECLARE_SERIAL(MCOpusHeader)
public:
    // Formats of a document.
    enum : int {
        formatUnknown = -1,
        formatNative = 0,
        formatMidi0 = 1,
        formatMidi1 = 2,
        formatMidi2 = 3,
    };
    static constexpr int currentVersion = 4;
    // The first version that stores the protection fields.
    static constexpr int protectionVersion = 3;
    // Protection level bits: the operations a password guards.
    enum : int {
        protectOpen = 1,
        protectEdit = 2,
        protectPrint = 4,
        protectCopy = 8,
    };

    // What is known of the document's file as last opened or saved.
    struct FileStatus {
        int64_t createTime = 0;        // seconds since 1970, UTC (the status change time here)
        int64_t modificationTime = 0;
        int64_t accessTime = 0;
        uint64_t size = 0;
        uint32_t attributes = 0;       // the file's mode bits
        std::string fullPath;
        // The status of the file at path; nullopt-like empty status (fullPath empty) when it
        // cannot be had.
        static FileStatus of(const std::string& path);
    };

    // Asks the user for a password: prompt, and the password expected; 1 when the user gave
    // it. The program installs a hook that shows its password dialog; tests install their own.
    using PasswordHook = std::function<int(const std::string& prompt, const std::string& expected)>;
    static PasswordHook SetPasswordHook(PasswordHook hook);

    MCOpusHeader() = default;
    MCOpusHeader(const MCOpusHeader&) = default;
    MCOpusHeader& operator=(const MCOpusHeader&) = default;

    // Reads or writes the header record. The protection fields are written when the version
    // says they are there, as reading expects them.
    void Serialize(plat::Archive& archive) override;

    int GetFormat() const { return m_format; }
    void SetFormat(int format) { m_format = format; }
    int GetVersion() const { return m_version; }
    void SetVersion(int version) { m_version = version; }
    const FileStatus& GetStatus() const { return m_status; }
    void SetStatus(const FileStatus& status) { m_status = status; }
    int64_t GetCreateTime() const { return m_status.createTime; }
    int64_t GetModificationTime() const { return m_status.modificationTime; }
    int64_t GetAccessTime() const { return m_status.accessTime; }
    const std::string& GetUserID() const { return m_userId; }
    void SetUserID(const std::string& id) { m_userId = id; }
    const std::string& GetPassword() const { return m_password; }
    void SetPassword(const std::string& password) { m_password = password; }
    int64_t GetProtectionTime() const { return m_protectionTime; }
    void SetProtectionTime(int64_t seconds) { m_protectionTime = seconds; }
    int GetProtectionLevel() const { return m_protectionLevel; }
    void SetProtectionLevel(int level) { m_protectionLevel = level; }
    int GetPrintCount() const { return m_printCount; }
    void SetPrintCount(int count) { m_printCount = count; }

    int IsProtected() const { return m_protectionLevel > 0 ? 1 : 0; }
    // 1 when the operation may proceed: it is not protected, or the user gives the user id.
    int VerifyOperation(int operation) const;
    // 1 when the user gives the creator password.
    int VerifyCreator() const;

private:
    static int AskPassword(const std::string& prompt, const std::string& expected);

    int m_format = formatUnknown;
    int m_version = currentVersion;
    FileStatus m_status;
    std::string m_password;
    std::string m_userId;
    int64_t m_protectionTime = 0;
    int m_protectionLevel = 0;
    int m_printCount = -1;
};
