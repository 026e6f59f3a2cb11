// The About box's launcher for the system-information program, and the
// registry value reader it uses.
#include "info/frmabout.h"

#include "platform/errors.h"
#include "platform/process.h"
#include "platform/registry/code_page.h"
#include "platform/registry/narrow_api.h"

#include <array>

namespace {

namespace reg = platform::registry;

const QString gREGKEYSYSINFO = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
const QString gREGVALSYSINFO = QStringLiteral("PATH");
const QString gREGKEYSYSINFOLOC = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");
const QString gREGVALSYSINFOLOC = QStringLiteral("MSINFO");
const QString kProgramFile = QStringLiteral("\\MSINFO32.EXE");

// Keys are opened read-only (KEY_READ: query value, enumerate subkeys,
// notify, standard read rights). Asking for write rights here would make the
// program unavailable to every user who may not change the machine's settings.

}  // namespace

void frmAbout::StartSysInfo() {
    // Any failure on the way ends in the one message.
    platform::stopWithMessage(QStringLiteral("此时系统信息不可用"), [this] {
        QString SysInfoPath;
        if (!GetKeyValue(reg::HKEY_LOCAL_MACHINE, gREGKEYSYSINFO, gREGVALSYSINFO, SysInfoPath)) {
            if (!GetKeyValue(reg::HKEY_LOCAL_MACHINE, gREGKEYSYSINFOLOC, gREGVALSYSINFOLOC, SysInfoPath))
                platform::raise(platform::err::FileNotFound, QStringLiteral("找不到系统信息程序的位置"));
            // The folder text as stored, no separator trimmed or added.
            const QString joined = SysInfoPath + kProgramFile;
            if (!platform::fileExists(joined))
                platform::raise(platform::err::FileNotFound, QStringLiteral("找不到系统信息程序"));
            SysInfoPath = joined;
        }
        // The path exactly as read is the whole program name; no waiting.
        platform::startProgram(SysInfoPath);
    });
}

bool frmAbout::GetKeyValue(quint32 KeyRoot, const QString& KeyName, const QString& SubKeyRef, QString& KeyVal) {
    reg::HKEY hKey = 0;
    if (reg::RegOpenKeyExA(KeyRoot, reg::toCodePage936(KeyName).constData(), 0, reg::KEY_READ, &hKey) !=
        reg::ERROR_SUCCESS) {
        KeyVal.clear();
        return false;
    }
    // The key is closed on every way out from here, errors included.
    struct Closer {
        reg::HKEY key;
        ~Closer() { reg::RegCloseKey(key); }
    } closer{hKey};

    std::array<unsigned char, 1024> buffer{};
    uint32_t size = uint32_t(buffer.size());
    uint32_t type = 0;
    if (reg::RegQueryValueExA(hKey, reg::toCodePage936(SubKeyRef).constData(), nullptr, &type, buffer.data(), &size) !=
        reg::ERROR_SUCCESS) {
        KeyVal.clear();
        return false;
    }
    // The whole buffer as text, cut before its first NUL; the size the query
    // returned is not used for this. A buffer with no NUL is an error.
    QString text = reg::fromCodePage936(QByteArray(reinterpret_cast<const char*>(buffer.data()), int(buffer.size())));
    const qsizetype nul = text.indexOf(QChar(0));
    if (nul < 0)
        platform::raise(platform::err::InvalidArgument, QStringLiteral("无效的过程调用或参数"));
    text.truncate(nul);

    if (type == reg::REG_SZ) {
        KeyVal = text;
    } else if (type == reg::REG_DWORD) {
        // All four bytes, least significant first, as "&h" and upper-case
        // hexadecimal digits without leading zeros.
        const quint32 n = quint32(buffer[0]) | quint32(buffer[1]) << 8 | quint32(buffer[2]) << 16 |
                          quint32(buffer[3]) << 24;
        KeyVal = QStringLiteral("&h") + QString::number(n, 16).toUpper();
    }
    return true;
}
