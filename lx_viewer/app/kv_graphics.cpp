#include "kv_graphics.h"

#include <QDir>
#include <QFile>
#include <QHash>

namespace {

bool g_openGLForbidden = false;

QString readTrimmed(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromLatin1(file.readAll()).trimmed();
}

// Intel's 4-series chipsets by PCI device ID, named as their drivers do.
QString intelChipsetName(uint device)
{
    static const QHash<uint, const char *> names = {
        {0x2e32, "Intel(R) G41 Express Chipset"},
        {0x2e33, "Intel(R) G41 Express Chipset"},
        {0x2e22, "Intel(R) G45/G43 Express Chipset"},
        {0x2e23, "Intel(R) G45/G43 Express Chipset"},
        {0x2e12, "Intel(R) Q45/Q43 Express Chipset"},
        {0x2e13, "Intel(R) Q45/Q43 Express Chipset"},
        {0x2e02, "Intel(R) 4 Series Express Chipset (X4500)"},
        {0x2e03, "Intel(R) 4 Series Express Chipset (X4500)"},
        {0x2a42, "Mobile Intel(R) GM45 Express Chipset"},
        {0x2a43, "Mobile Intel(R) GM45 Express Chipset"},
    };
    const auto it = names.constFind(device);
    return it == names.constEnd() ? QString() : QString::fromLatin1(*it);
}

// Looks the device up in the PCI ID database (pci.ids) when one is installed.
QString pciDatabaseName(uint vendor, uint device)
{
    for (const char *path : {"/usr/share/misc/pci.ids", "/usr/share/hwdata/pci.ids"}) {
        QFile file(QString::fromLatin1(path));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QByteArray vendorKey = QByteArray::number(vendor, 16).rightJustified(4, '0');
        const QByteArray deviceKey = QByteArray::number(device, 16).rightJustified(4, '0');
        bool inVendor = false;
        while (!file.atEnd()) {
            const QByteArray line = file.readLine();
            if (line.startsWith('#') || line.trimmed().isEmpty())
                continue;
            if (line[0] != '\t') {
                inVendor = line.startsWith(vendorKey);
                continue;
            }
            if (inVendor && line.size() > 1 && line[1] != '\t' && line.mid(1).startsWith(deviceKey))
                return QString::fromUtf8(line.mid(1 + 4)).trimmed();
        }
    }
    return QString();
}

} // namespace

namespace KVGraphics {

bool isOldChipset(const QStringList &adapterNames)
{
    static const char *const chipsets[] = {"G41", "GM45", "G45", "GS45", "GL40", "Q45", "Q43", "X4500"};
    for (const QString &name : adapterNames) {
        QString compact = name;
        compact.remove(QLatin1Char(' '));
        compact = compact.toUpper();
        for (const char *chipset : chipsets) {
            if (compact.contains(QLatin1String(chipset)))
                return true;
        }
    }
    return false;
}

QStringList displayAdapterNames(const QString &drmRoot)
{
    QStringList names;
    const QDir root(drmRoot);
    const QStringList cards = root.entryList({QStringLiteral("card*")}, QDir::Dirs | QDir::System);
    for (const QString &card : cards) {
        if (card.contains(QLatin1Char('-'))) // connectors such as card0-HDMI-A-1
            continue;
        const QString device = root.filePath(card + QStringLiteral("/device"));
        bool okVendor = false;
        bool okDevice = false;
        const uint vendorId = readTrimmed(device + QStringLiteral("/vendor")).toUInt(&okVendor, 16);
        const uint deviceId = readTrimmed(device + QStringLiteral("/device")).toUInt(&okDevice, 16);
        if (!okVendor || !okDevice)
            continue;
        QString name;
        if (vendorId == 0x8086)
            name = intelChipsetName(deviceId);
        if (name.isEmpty())
            name = pciDatabaseName(vendorId, deviceId);
        if (name.isEmpty())
            name = QStringLiteral("%1:%2").arg(vendorId, 4, 16, QLatin1Char('0')).arg(deviceId, 4, 16, QLatin1Char('0'));
        names << name;
    }
    return names;
}

bool decideOpenGLForbidden(bool hwAccelOff, const QStringList &adapterNames)
{
    g_openGLForbidden = hwAccelOff || isOldChipset(adapterNames);
    return g_openGLForbidden;
}

void setOpenGLForbidden(bool forbidden)
{
    g_openGLForbidden = forbidden;
}

bool openGLForbidden()
{
    return g_openGLForbidden;
}

} // namespace KVGraphics
