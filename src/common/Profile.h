// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>

#include <memory>
#include <optional>

namespace hv {

// An INI file read and written with the rules of the classic profile functions,
// so that settings files copied from an old system keep working:
//  - "[Section]" headers and "key=value" lines; section and key names match
//    regardless of case; blanks around names and values are ignored; a value
//    in matching double or single quotes loses the quotes; lines starting with
//    ";" are comments. Where a name occurs twice, the first one counts.
//  - A missing file, section or key gives the caller's default.
//  - A write replaces the value in place, adds a new key at the end of its
//    section and a new section at the end of the file; every other line, the
//    comments and the order stay as they were.
//
// Every read looks at the file on disk, reloading it when its size or time
// stamp changed. The file is read as UTF-8 when it is valid UTF-8, else as
// Windows-1252, with LF or CRLF line ends, and is written as UTF-8 with the
// line ends it had. Anything but a regular file (a FIFO, a device, a folder),
// and a file larger than kMaxFileBytes, reads as empty. Every write replaces the whole file atomically (see
// writeFileAtomically); a refused write throws Error::unableToWrite(path) and
// leaves the file and the values that reads give unchanged.
class Profile
{
public:
    // The longest text that readString gives back.
    static constexpr qsizetype kMaxValueLength = 1023;
    // The largest file that is read; a settings file is a few kilobytes.
    static constexpr qint64 kMaxFileBytes = 16 * 1024 * 1024;

    explicit Profile(QString path);
    ~Profile();
    Profile(const Profile&) = delete;
    Profile& operator=(const Profile&) = delete;

    const QString& path() const { return m_path; }

    QString readString(QStringView section, QStringView key, const QString& defaultValue = {}) const;
    // Decimal with an optional sign, or hexadecimal after "0x" or "0X"; a hex
    // value above 0x7FFFFFFF wraps to a negative number (0xFFFFFFFF is -1).
    // Text that does not parse or does not fit in 32 bits gives the default.
    qint32 readInteger(QStringView section, QStringView key, qint32 defaultValue) const;
    // An integer, non-zero meaning true.
    bool readBool(QStringView section, QStringView key, bool defaultValue) const;

    // A line break cannot be stored in a value; each one is written as a blank.
    void writeString(QStringView section, QStringView key, QStringView value);
    void writeInteger(QStringView section, QStringView key, qint32 value);
    // Written as "1" or "0".
    void writeBool(QStringView section, QStringView key, bool value);

    // Groups writes into one atomic replacement of the file. While it is open,
    // writes are held in memory and reads see them; commit() writes them all at
    // once, and a transaction destroyed without commit drops them. One
    // transaction may be open on a Profile at a time.
    class Transaction
    {
    public:
        explicit Transaction(Profile& profile);
        ~Transaction();
        Transaction(const Transaction&) = delete;
        Transaction& operator=(const Transaction&) = delete;

        // Throws Error::unableToWrite(path) when the file refuses the write;
        // the file and the Profile are then as they were before the
        // transaction began.
        void commit();

    private:
        Profile& m_profile;
        bool m_open = true;
    };

private:
    class Document;

    // What tells that the file changed since it was read.
    struct Stamp
    {
        bool exists = false;
        qint64 size = 0;
        qint64 modifiedMsecs = 0; // since the epoch
        friend bool operator==(const Stamp&, const Stamp&) = default;
    };

    static Stamp stampOf(const QString& path);

    const Document& current() const;
    void refresh() const;
    void write(QStringView section, QStringView key, QStringView value);
    void store(const Document& next);

    QString m_path;
    mutable std::unique_ptr<Document> m_onDisk;
    mutable std::optional<Stamp> m_stamp; // of the file that m_onDisk holds; empty before the first read
    std::unique_ptr<Document> m_pending;  // the open transaction's view, else null
};

} // namespace hv
