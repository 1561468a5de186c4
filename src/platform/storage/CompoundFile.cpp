#include "platform/storage/CompoundFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

constexpr quint32 kFreeSect = 0xFFFFFFFF;
constexpr quint32 kEndOfChain = 0xFFFFFFFE;
constexpr quint32 kFatSect = 0xFFFFFFFD;
constexpr quint32 kDifSect = 0xFFFFFFFC;
constexpr quint32 kNoStream = 0xFFFFFFFF;
constexpr int kHeaderSize = 512;
constexpr int kDirEntrySize = 128;
constexpr int kHeaderDifatCount = 109;
constexpr quint32 kMiniSectorSize = 64;
constexpr quint32 kMiniStreamCutoff = 4096;
// Storages nest only a few levels in practice; a deeper tree is a hostile file, and refusing it
// keeps the recursive walk within a small stack.
constexpr int kMaxNesting = 64;
const unsigned char kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

quint16 Le16(const char* p) { return quint16(quint8(p[0]) | (quint8(p[1]) << 8)); }
quint32 Le32(const char* p) { return quint32(Le16(p)) | (quint32(Le16(p + 2)) << 16); }
quint64 Le64(const char* p) { return quint64(Le32(p)) | (quint64(Le32(p + 4)) << 32); }
void Put16(char* p, quint16 v) {
    p[0] = char(v & 0xFF);
    p[1] = char(v >> 8);
}
void Put32(char* p, quint32 v) {
    Put16(p, quint16(v & 0xFFFF));
    Put16(p + 2, quint16(v >> 16));
}

[[noreturn]] void Corrupt(const char* what) {
    throw EOleError(QStringLiteral("The compound file is damaged: %1").arg(QLatin1String(what)));
}

class TReader {
public:
    explicit TReader(const QByteArray& bytes) : bytes_(bytes) {
        if (!StgIsStorageData(bytes_)) Corrupt("no compound-file header");
        const char* h = bytes_.constData();
        quint16 major = Le16(h + 0x1A);
        quint16 shift = Le16(h + 0x1E);
        if (Le16(h + 0x1C) != 0xFFFE) Corrupt("byte order mark");
        if (!((major == 3 && shift == 9) || (major == 4 && shift == 12))) Corrupt("version");
        if (Le16(h + 0x20) != 6) Corrupt("mini sector size");
        version_ = major;
        sectorSize_ = 1u << shift;
        // A last sector cut short is read as if padded with zeros, as tolerant readers do.
        qint64 body = bytes_.size() > qint64(sectorSize_) ? bytes_.size() - sectorSize_ : 0;
        sectorCount_ = quint32((body + sectorSize_ - 1) / sectorSize_);
        if (qint64(sectorSize_) * (sectorCount_ + 1) > bytes_.size())
            bytes_.append(QByteArray(qint64(sectorSize_) * (sectorCount_ + 1) - bytes_.size(), '\0'));
        cutoff_ = Le32(h + 0x38);
        ReadFat();
        directory_ = ReadChain(Le32(bytes_.constData() + 0x30), fat_, sectorSize_, nullptr, 0, false);
        entryCount_ = quint32(directory_.size() / kDirEntrySize);
        if (entryCount_ == 0) Corrupt("no directory");
        ReadMiniStream();
    }

    TCompoundEntry Root() {
        visited_.assign(entryCount_, false);
        const char* e = Entry(0);
        if (quint8(e[66]) != 5) Corrupt("no root entry");
        visited_[0] = true;
        TCompoundEntry root;
        root.Type = TCompoundEntryType::Root;
        root.Name = NameOf(e);
        ReadChildren(Le32(e + 76), root, 0);
        return root;
    }

private:
    QByteArray bytes_;
    quint16 version_ = 3;
    quint32 sectorSize_ = 512;
    quint32 sectorCount_ = 0;
    quint32 cutoff_ = kMiniStreamCutoff;
    std::vector<quint32> fat_;
    std::vector<quint32> miniFat_;
    QByteArray directory_;
    quint32 entryCount_ = 0;
    QByteArray miniStream_;
    std::vector<bool> visited_;

    const char* Sector(quint32 n) const {
        if (n >= sectorCount_) Corrupt("sector beyond the end of the file");
        return bytes_.constData() + qint64(n + 1) * sectorSize_;
    }
    const char* Entry(quint32 n) const { return directory_.constData() + qint64(n) * kDirEntrySize; }

    void ReadFat() {
        const char* h = bytes_.constData();
        quint32 fatCount = Le32(h + 0x2C);
        if (fatCount > sectorCount_) Corrupt("FAT larger than the file");
        std::vector<quint32> fatSectors;
        for (int i = 0; i < kHeaderDifatCount && fatSectors.size() < fatCount; ++i)
            fatSectors.push_back(Le32(h + 0x4C + 4 * i));
        // The DIFAT goes on in a chain of its own sectors, each ending with the next one's number.
        quint32 difat = Le32(h + 0x44);
        quint32 perSector = sectorSize_ / 4 - 1;
        quint32 steps = 0;
        while (fatSectors.size() < fatCount) {
            if (difat == kEndOfChain || difat == kFreeSect) Corrupt("DIFAT shorter than the FAT");
            if (++steps > sectorCount_) Corrupt("loop in the DIFAT");
            const char* s = Sector(difat);
            for (quint32 i = 0; i < perSector && fatSectors.size() < fatCount; ++i)
                fatSectors.push_back(Le32(s + 4 * i));
            difat = Le32(s + 4 * perSector);
        }
        fat_.reserve(size_t(fatCount) * (sectorSize_ / 4));
        for (quint32 n : fatSectors) {
            const char* s = Sector(n);
            for (quint32 i = 0; i < sectorSize_ / 4; ++i) fat_.push_back(Le32(s + 4 * i));
        }
    }

    // Follows a chain through `table` and copies its sectors. With `wanted` given, exactly that
    // many bytes are needed and the chain must be long enough; otherwise the chain is read whole.
    // A chain that runs in a circle or leaves the table is refused.
    QByteArray ReadChain(quint32 start, const std::vector<quint32>& table, quint32 unit,
                         const QByteArray* mini, quint64 wanted, bool exact) const {
        QByteArray out;
        // Reserved once: a stream of many megabytes would otherwise be regrown sector by sector.
        if (exact) out.reserve(qsizetype(wanted) + unit);
        std::vector<bool> seen;
        quint64 limit = mini ? quint64(mini->size()) / unit : sectorCount_;
        quint32 cur = start;
        while (cur != kEndOfChain && (!exact || quint64(out.size()) < wanted)) {
            if (cur >= table.size() || cur >= limit) Corrupt("sector chain leaves the file");
            if (seen.empty()) seen.resize(table.size());
            if (seen[cur]) Corrupt("loop in a sector chain");
            seen[cur] = true;
            if (mini)
                out.append(mini->constData() + qint64(cur) * unit, unit);
            else
                out.append(Sector(cur), unit);
            cur = table[cur];
        }
        if (exact) {
            if (quint64(out.size()) < wanted) Corrupt("stream shorter than its size");
            out.truncate(qsizetype(wanted));
        }
        return out;
    }

    void ReadMiniStream() {
        const char* h = bytes_.constData();
        quint32 miniFatStart = Le32(h + 0x3C);
        if (miniFatStart != kEndOfChain && miniFatStart != kFreeSect) {
            QByteArray raw = ReadChain(miniFatStart, fat_, sectorSize_, nullptr, 0, false);
            miniFat_.resize(raw.size() / 4);
            for (size_t i = 0; i < miniFat_.size(); ++i) miniFat_[i] = Le32(raw.constData() + 4 * i);
        }
        const char* root = Entry(0);
        quint32 start = Le32(root + 116);
        quint64 size = SizeOf(root);
        if (start != kEndOfChain && start != kFreeSect && size > 0)
            miniStream_ = ReadChain(start, fat_, sectorSize_, nullptr, size, true);
    }

    quint64 SizeOf(const char* e) const {
        // Version 3 files may hold garbage in the high half of the size.
        return version_ == 3 ? Le32(e + 120) : Le64(e + 120);
    }

    QString NameOf(const char* e) const {
        quint16 bytes = Le16(e + 64);
        if (bytes > 64 || bytes % 2 != 0) Corrupt("directory entry name");
        int units = bytes >= 2 ? bytes / 2 - 1 : 0;
        QString name(units, Qt::Uninitialized);
        for (int i = 0; i < units; ++i) name[i] = QChar(Le16(e + 2 * i));
        return name;
    }

    // The children of a storage form a binary tree ordered by name; walking it in order gives the
    // same order as the system's own enumeration.
    void ReadChildren(quint32 top, TCompoundEntry& parent, int depth) {
        if (depth > kMaxNesting) Corrupt("storages nested too deeply");
        std::vector<quint32> stack;
        quint32 cur = top;
        while (cur != kNoStream || !stack.empty()) {
            while (cur != kNoStream) {
                if (cur >= entryCount_) Corrupt("directory link out of range");
                if (visited_[cur]) Corrupt("loop in the directory");
                visited_[cur] = true;
                stack.push_back(cur);
                cur = Le32(Entry(cur) + 68);
            }
            quint32 n = stack.back();
            stack.pop_back();
            const char* e = Entry(n);
            quint8 type = quint8(e[66]);
            if (type == 1 || type == 2) {
                TCompoundEntry child;
                child.Name = NameOf(e);
                if (type == 1) {
                    child.Type = TCompoundEntryType::Storage;
                    ReadChildren(Le32(e + 76), child, depth + 1);
                } else {
                    child.Type = TCompoundEntryType::Stream;
                    child.Data = ReadStream(e);
                }
                parent.Children.push_back(std::move(child));
            }
            cur = Le32(e + 72);
        }
    }

    QByteArray ReadStream(const char* e) const {
        quint64 size = SizeOf(e);
        if (size == 0) return {};
        quint32 start = Le32(e + 116);
        if (size < cutoff_) return ReadChain(start, miniFat_, kMiniSectorSize, &miniStream_, size, true);
        return ReadChain(start, fat_, sectorSize_, nullptr, size, true);
    }
};

bool ValidName(const QString& name) {
    if (name.isEmpty() || name.size() > 31) return false;
    for (QChar c : name)
        if (c == '/' || c == '\\' || c == ':' || c == '!') return false;
    return true;
}

class TWriter {
public:
    explicit TWriter(const TCompoundEntry& root) {
        nodes_.push_back({&root, kNoStream, kNoStream, kNoStream, false});
        AddChildren(0);
    }

    QByteArray Write() {
        // Streams go where their size sends them: the mini stream or sectors of their own.
        std::vector<quint32> miniFat;
        QByteArray mini;
        std::vector<std::pair<size_t, quint32>> big;  // node, sector count
        for (size_t i = 1; i < nodes_.size(); ++i) {
            const TCompoundEntry& e = *nodes_[i].entry;
            if (e.Type != TCompoundEntryType::Stream || e.Data.isEmpty()) continue;
            if (quint64(e.Data.size()) < kMiniStreamCutoff) {
                quint32 n = quint32((e.Data.size() + kMiniSectorSize - 1) / kMiniSectorSize);
                nodes_[i].start = quint32(miniFat.size());
                for (quint32 k = 0; k < n; ++k)
                    miniFat.push_back(k + 1 < n ? quint32(miniFat.size() + 1) : kEndOfChain);
                mini.append(e.Data);
                mini.append(QByteArray(qsizetype(n) * kMiniSectorSize - e.Data.size(), '\0'));
            } else {
                big.push_back({i, quint32((e.Data.size() + 511) / 512)});
            }
        }
        quint32 miniSectors = quint32((mini.size() + 511) / 512);
        quint32 miniFatSectors = quint32((miniFat.size() * 4 + 511) / 512);
        quint32 dirSectors = quint32((nodes_.size() + 3) / 4);
        quint64 data = miniSectors + miniFatSectors + dirSectors;
        for (auto& b : big) data += b.second;
        quint64 fatSectors = 0, difatSectors = 0;
        for (;;) {
            quint64 total = data + fatSectors + difatSectors;
            quint64 f = (total + 127) / 128;
            quint64 d = f > kHeaderDifatCount ? (f - kHeaderDifatCount + 126) / 127 : 0;
            if (f == fatSectors && d == difatSectors) break;
            fatSectors = f;
            difatSectors = d;
        }
        quint64 total = data + fatSectors + difatSectors;
        if (total >= 0xFFFFFFF0ull) throw EOleError(QStringLiteral("The compound file would be too large"));

        std::vector<quint32> fat(fatSectors * 128, kFreeSect);
        quint32 next = 0;
        auto chain = [&](quint32 count) {
            quint32 first = count ? next : kEndOfChain;
            for (quint32 k = 0; k < count; ++k, ++next) fat[next] = k + 1 < count ? next + 1 : kEndOfChain;
            return first;
        };
        quint32 miniStart = chain(miniSectors);
        for (auto& b : big) nodes_[b.first].start = chain(b.second);
        quint32 miniFatStart = chain(miniFatSectors);
        quint32 dirStart = chain(dirSectors);
        quint32 fatStart = next;
        for (quint64 k = 0; k < fatSectors; ++k) fat[next++] = kFatSect;
        quint32 difatStart = next;
        for (quint64 k = 0; k < difatSectors; ++k) fat[next++] = kDifSect;

        QByteArray out(qsizetype(kHeaderSize + total * 512), '\0');
        char* h = out.data();
        std::memcpy(h, kSignature, 8);
        Put16(h + 0x18, 0x3E);
        Put16(h + 0x1A, 3);
        Put16(h + 0x1C, 0xFFFE);
        Put16(h + 0x1E, 9);
        Put16(h + 0x20, 6);
        Put32(h + 0x2C, quint32(fatSectors));
        Put32(h + 0x30, dirStart);
        Put32(h + 0x38, kMiniStreamCutoff);
        Put32(h + 0x3C, miniFatSectors ? miniFatStart : kEndOfChain);
        Put32(h + 0x40, miniFatSectors);
        Put32(h + 0x44, difatSectors ? difatStart : kEndOfChain);
        Put32(h + 0x48, quint32(difatSectors));
        for (int i = 0; i < kHeaderDifatCount; ++i)
            Put32(h + 0x4C + 4 * i, quint64(i) < fatSectors ? fatStart + i : kFreeSect);

        auto sector = [&](quint32 n) { return out.data() + kHeaderSize + qint64(n) * 512; };
        if (miniSectors) std::memcpy(sector(miniStart), mini.constData(), size_t(mini.size()));
        for (auto& b : big) {
            const QByteArray& d = nodes_[b.first].entry->Data;
            std::memcpy(sector(nodes_[b.first].start), d.constData(), size_t(d.size()));
        }
        for (size_t i = 0; i < miniFat.size(); ++i) Put32(sector(miniFatStart) + 4 * i, miniFat[i]);
        for (size_t i = miniFat.size(); i < size_t(miniFatSectors) * 128; ++i)
            Put32(sector(miniFatStart) + 4 * i, kFreeSect);
        WriteDirectory(sector(dirStart), dirSectors * 4, miniSectors ? miniStart : kEndOfChain,
                       quint32(miniFat.size() * kMiniSectorSize));
        for (size_t i = 0; i < fat.size(); ++i) Put32(sector(fatStart) + 4 * i, fat[i]);
        for (quint64 k = 0; k < difatSectors; ++k) {
            char* s = sector(difatStart + quint32(k));
            for (quint32 i = 0; i < 127; ++i) {
                quint64 index = kHeaderDifatCount + k * 127 + i;
                Put32(s + 4 * i, index < fatSectors ? fatStart + quint32(index) : kFreeSect);
            }
            Put32(s + 4 * 127, k + 1 < difatSectors ? difatStart + quint32(k) + 1 : kEndOfChain);
        }
        return out;
    }

private:
    struct TNode {
        const TCompoundEntry* entry;
        quint32 left, right, child;
        bool red;
        quint32 start = kEndOfChain;
    };
    std::vector<TNode> nodes_;

    void AddChildren(size_t parent) {
        const TCompoundEntry& p = *nodes_[parent].entry;
        if (p.Children.empty()) return;
        std::vector<const TCompoundEntry*> sorted;
        for (const auto& c : p.Children) {
            if (!ValidName(c.Name)) throw EOleError(QStringLiteral("Invalid entry name \"%1\"").arg(c.Name));
            if (c.Type == TCompoundEntryType::Root)
                throw EOleError(QStringLiteral("A root entry cannot be nested"));
            sorted.push_back(&c);
        }
        std::sort(sorted.begin(), sorted.end(), [](const TCompoundEntry* a, const TCompoundEntry* b) {
            return CompareEntryNames(a->Name, b->Name) < 0;
        });
        for (size_t i = 1; i < sorted.size(); ++i)
            if (CompareEntryNames(sorted[i - 1]->Name, sorted[i]->Name) == 0)
                throw EOleError(QStringLiteral("Duplicate entry name \"%1\"").arg(sorted[i]->Name));
        size_t first = nodes_.size();
        for (auto* c : sorted) nodes_.push_back({c, kNoStream, kNoStream, kNoStream, false});
        // A tree split at the median has every level full but perhaps the last; colouring that
        // last level red (when it is not full) keeps the black height equal on every path.
        size_t n = sorted.size();
        int fullDepth = 0;
        while ((size_t(2) << fullDepth) - 1 <= n) ++fullDepth;
        bool perfect = ((size_t(1) << fullDepth) - 1) == n;
        nodes_[parent].child = Build(first, 0, n, 0, fullDepth, perfect);
        for (size_t i = first; i < first + n; ++i)
            if (nodes_[i].entry->Type == TCompoundEntryType::Storage) AddChildren(i);
    }

    quint32 Build(size_t base, size_t lo, size_t hi, int depth, int fullDepth, bool perfect) {
        if (lo >= hi) return kNoStream;
        size_t mid = lo + (hi - lo) / 2;
        TNode& node = nodes_[base + mid];
        node.red = !perfect && depth == fullDepth;
        quint32 l = Build(base, lo, mid, depth + 1, fullDepth, perfect);
        quint32 r = Build(base, mid + 1, hi, depth + 1, fullDepth, perfect);
        nodes_[base + mid].left = l;
        nodes_[base + mid].right = r;
        return quint32(base + mid);
    }

    void WriteDirectory(char* d, size_t slotCount, quint32 miniStart, quint32 miniSize) {
        for (size_t i = 0; i < slotCount; ++i) {
            char* e = d + i * kDirEntrySize;
            Put32(e + 68, kNoStream);
            Put32(e + 72, kNoStream);
            Put32(e + 76, kNoStream);
            if (i >= nodes_.size()) continue;
            const TNode& n = nodes_[i];
            QString name = i == 0 ? QStringLiteral("Root Entry") : n.entry->Name;
            for (int k = 0; k < name.size(); ++k) Put16(e + 2 * k, name[k].unicode());
            Put16(e + 64, quint16((name.size() + 1) * 2));
            e[66] = char(i == 0 ? 5 : quint8(n.entry->Type));
            e[67] = n.red ? 0 : 1;
            Put32(e + 68, n.left);
            Put32(e + 72, n.right);
            Put32(e + 76, n.child);
            if (i == 0) {
                Put32(e + 116, miniStart);
                Put32(e + 120, miniSize);
            } else if (n.entry->Type == TCompoundEntryType::Stream) {
                Put32(e + 116, n.entry->Data.isEmpty() ? kEndOfChain : n.start);
                Put32(e + 120, quint32(n.entry->Data.size()));
            }
        }
    }
};

}  // namespace

int CompareEntryNames(const QString& a, const QString& b) {
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    for (int i = 0; i < a.size(); ++i) {
        char16_t x = a[i].toUpper().unicode(), y = b[i].toUpper().unicode();
        if (x != y) return x < y ? -1 : 1;
    }
    return 0;
}

bool StgIsStorageData(const QByteArray& bytes) {
    return bytes.size() >= kHeaderSize && std::memcmp(bytes.constData(), kSignature, 8) == 0;
}

bool StgIsStorageFile(const QString& fileName) {
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly)) return false;
    return StgIsStorageData(f.read(kHeaderSize));
}

TCompoundEntry ReadCompoundFile(const QByteArray& bytes) {
    TReader reader(bytes);
    return reader.Root();
}

TCompoundEntry ReadCompoundFileFromPath(const QString& fileName) {
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly))
        throw EOleError(QStringLiteral("Cannot open \"%1\": %2").arg(fileName, f.errorString()));
    return ReadCompoundFile(f.readAll());
}

QByteArray WriteCompoundFile(const TCompoundEntry& root) { return TWriter(root).Write(); }

void CreateCompoundFile(const QString& fileName, const TCompoundEntry& root) {
    QByteArray bytes = WriteCompoundFile(root);
    // O_EXCL makes "the file must not exist yet" one atomic step with its creation.
    int fd = ::open(QFile::encodeName(fileName).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        throw EOleError(QStringLiteral("Cannot create \"%1\": %2").arg(fileName, qt_error_string(errno)));
    QFile f;
    if (!f.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle) || f.write(bytes) != bytes.size() ||
        !f.flush()) {
        QString why = f.errorString();
        f.close();
        QFile::remove(fileName);
        throw EOleError(QStringLiteral("Cannot write \"%1\": %2").arg(fileName, why));
    }
}
