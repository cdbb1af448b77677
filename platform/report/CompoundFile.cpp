#include "report/CompoundFile.h"

#include "report/ExportSupport.h"

#include <QtEndian>
#include <vector>

namespace report {

namespace {

constexpr quint32 kFree = 0xFFFFFFFF, kEnd = 0xFFFFFFFE, kFatSect = 0xFFFFFFFD, kDifSect = 0xFFFFFFFC;
constexpr int kSector = 512;
constexpr int kPerSector = kSector / 4;

void put16(QByteArray &b, int at, quint16 v) { qToLittleEndian(v, b.data() + at); }
void put32(QByteArray &b, int at, quint32 v) { qToLittleEndian(v, b.data() + at); }

QByteArray directoryEntry(const QString &name, quint8 type, quint32 child, quint32 start, quint32 size)
{
    QByteArray e(128, '\0');
    if (type != 0) {
        for (int i = 0; i < name.size() && i < 31; ++i)
            put16(e, i * 2, name.at(i).unicode());
        put16(e, 64, quint16((std::min<qsizetype>(name.size(), 31) + 1) * 2));
    }
    e[66] = char(type);
    e[67] = char(type != 0 ? 1 : 0); // black
    put32(e, 68, kFree);
    put32(e, 72, kFree);
    put32(e, 76, child);
    put32(e, 116, start);
    put32(e, 120, size);
    return e;
}

} // namespace

void writeCompoundFile(QIODevice &out, const QString &name, QByteArray data)
{
    if (data.size() < 4096)
        data.append(QByteArray(4096 - data.size(), '\0'));
    if (quint64(data.size()) > 0x7FFFFFFFull)
        detail::refuseExport(QStringLiteral("The export is larger than a spreadsheet file can hold"));
    const quint32 streamSectors = quint32((data.size() + kSector - 1) / kSector);
    const quint32 dirSectors = 1;
    // FAT sectors and the extra master-table sectors they need, found by growing both until they fit.
    quint32 fatSectors = 0, difSectors = 0;
    for (;;) {
        const quint32 total = streamSectors + dirSectors + fatSectors + difSectors;
        const quint32 needFat = (total + kPerSector - 1) / kPerSector;
        const quint32 needDif = needFat > 109 ? (needFat - 109 + kPerSector - 2) / (kPerSector - 1) : 0;
        if (needFat == fatSectors && needDif == difSectors)
            break;
        fatSectors = needFat;
        difSectors = needDif;
    }
    const quint32 dirStart = streamSectors;
    const quint32 fatStart = dirStart + dirSectors;
    const quint32 difStart = fatStart + fatSectors;
    const quint32 total = difStart + difSectors;

    std::vector<quint32> fat(size_t(fatSectors) * kPerSector, kFree);
    for (quint32 i = 0; i < streamSectors; ++i)
        fat[i] = i + 1 < streamSectors ? i + 1 : kEnd;
    fat[dirStart] = kEnd;
    for (quint32 i = 0; i < fatSectors; ++i)
        fat[fatStart + i] = kFatSect;
    for (quint32 i = 0; i < difSectors; ++i)
        fat[difStart + i] = kDifSect;
    (void)total;

    QByteArray header(kSector, '\0');
    const unsigned char magic[] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    memcpy(header.data(), magic, 8);
    put16(header, 24, 0x003E);       // minor version
    put16(header, 26, 0x0003);       // major version: 512-byte sectors
    put16(header, 28, 0xFFFE);       // little-endian
    put16(header, 30, 9);            // sector shift
    put16(header, 32, 6);            // mini sector shift
    put32(header, 44, fatSectors);
    put32(header, 48, dirStart);
    put32(header, 56, 0x1000);       // mini stream cut-off
    put32(header, 60, kEnd);         // no mini FAT
    put32(header, 64, 0);
    put32(header, 68, difSectors ? difStart : kEnd);
    put32(header, 72, difSectors);
    for (int i = 0; i < 109; ++i)
        put32(header, 76 + i * 4, quint32(i) < fatSectors ? fatStart + quint32(i) : kFree);

    auto write = [&](const QByteArray &bytes) {
        if (out.write(bytes) != bytes.size())
            detail::refuseExport(QStringLiteral("The export file cannot be written: %1").arg(out.errorString()));
    };
    write(header);
    write(data);
    if (data.size() % kSector)
        write(QByteArray(kSector - data.size() % kSector, '\0'));
    QByteArray dir;
    dir += directoryEntry(QStringLiteral("Root Entry"), 5, 1, kEnd, 0);
    dir += directoryEntry(name, 2, kFree, 0, quint32(data.size()));
    dir += directoryEntry({}, 0, kFree, 0, 0);
    dir += directoryEntry({}, 0, kFree, 0, 0);
    write(dir);
    QByteArray fatBytes(int(fat.size() * 4), '\0');
    for (size_t i = 0; i < fat.size(); ++i)
        put32(fatBytes, int(i * 4), fat[i]);
    write(fatBytes);
    for (quint32 d = 0; d < difSectors; ++d) {
        QByteArray sector(kSector, '\0');
        for (int i = 0; i < kPerSector - 1; ++i) {
            const quint32 fatIndex = 109 + d * (kPerSector - 1) + quint32(i);
            put32(sector, i * 4, fatIndex < fatSectors ? fatStart + fatIndex : kFree);
        }
        put32(sector, (kPerSector - 1) * 4, d + 1 < difSectors ? difStart + d + 1 : kEnd);
        write(sector);
    }
}

} // namespace report
