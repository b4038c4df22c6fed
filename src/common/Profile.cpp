// SPDX-License-Identifier: GPL-3.0-or-later
#include "Profile.h"

#include "AtomicFile.h"
#include "Cp1252.h"

#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QStringDecoder>

#include <charconv>
#include <cstdint>
#include <string_view>

namespace hv {

namespace {

QString decodeText(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(bytes);
    return utf8.hasError() ? cp1252::decode(bytes) : text;
}

QStringView unquoted(QStringView value)
{
    if (value.size() >= 2 && value.front() == value.back() &&
        (value.front() == u'"' || value.front() == u'\''))
        return value.sliced(1, value.size() - 2);
    return value;
}

template <typename Int>
std::optional<Int> parseWhole(std::string_view digits, int base)
{
    Int value{};
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
    if (error != std::errc() || end != digits.data() + digits.size())
        return std::nullopt;
    return value;
}

std::optional<qint32> parseInteger(QStringView text)
{
    // Anything outside Latin-1 becomes '?', which no branch below accepts.
    const QByteArray latin1 = text.toLatin1();
    std::string_view s(latin1.constData(), static_cast<std::size_t>(latin1.size()));
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        const auto bits = parseWhole<std::uint32_t>(s.substr(2), 16);
        return bits ? std::optional(static_cast<qint32>(*bits)) : std::nullopt;
    }
    // from_chars takes a leading '-' but not '+'.
    if (s.size() > 1 && s[0] == '+' && s[1] != '-')
        s.remove_prefix(1);
    return parseWhole<qint32>(s, 10);
}

} // namespace

// The file as a list of lines, each kept with its original text so that a
// write changes only the line it concerns.
class Profile::Document
{
public:
    static Document parse(const QByteArray& bytes)
    {
        Document document;
        QStringList texts = decodeText(bytes).split(u'\n');
        if (texts.last().isEmpty())
            texts.removeLast(); // the line end of the last line
        document.m_crlf = !texts.isEmpty() && texts.first().endsWith(u'\r');
        for (QString& text : texts) {
            if (text.endsWith(u'\r'))
                text.chop(1);
            document.m_lines.append(Line::parse(std::move(text)));
        }
        return document;
    }

    QByteArray serialize() const
    {
        const QLatin1StringView lineEnd(m_crlf ? "\r\n" : "\n");
        QString text;
        for (const Line& line : m_lines)
            text += line.text + lineEnd;
        return text.toUtf8();
    }

    const QString* find(QStringView section, QStringView key) const
    {
        const auto header = sectionIndex(section);
        if (!header)
            return nullptr;
        const auto entry = entryIndex(*header, key);
        return entry ? &m_lines[*entry].value : nullptr;
    }

    void set(QStringView section, QStringView key, const QString& value)
    {
        const auto header = sectionIndex(section);
        if (!header) {
            if (!m_lines.isEmpty() && !m_lines.last().isBlank())
                m_lines.append(Line::parse(QString()));
            m_lines.append(Line::parse(u'[' + section.toString() + u']'));
            m_lines.append(Line::parse(key.toString() + u'=' + value));
        } else if (const auto entry = entryIndex(*header, key)) {
            // The key keeps the spelling it has in the file.
            Line& line = m_lines[*entry];
            line = Line::parse(line.name + u'=' + value);
        } else {
            m_lines.insert(endOfContent(*header), Line::parse(key.toString() + u'=' + value));
        }
    }

private:
    struct Line
    {
        enum class Kind
        {
            Other,
            Section,
            Entry
        };

        QString text;
        Kind kind = Kind::Other;
        QString name;  // of a section or entry, trimmed
        QString value; // of an entry, trimmed and unquoted

        bool isBlank() const { return kind == Kind::Other && text.trimmed().isEmpty(); }

        static Line parse(QString text)
        {
            const QStringView trimmed = QStringView(text).trimmed();
            if (trimmed.startsWith(u'[')) {
                const qsizetype close = trimmed.indexOf(u']');
                QString name =
                    trimmed.sliced(1, (close < 0 ? trimmed.size() : close) - 1).trimmed().toString();
                return {std::move(text), Kind::Section, std::move(name), {}};
            }
            const qsizetype equals = trimmed.indexOf(u'=');
            if (trimmed.startsWith(u';') || equals < 0)
                return {std::move(text), Kind::Other, {}, {}};
            QString name = trimmed.first(equals).trimmed().toString();
            QString value = unquoted(trimmed.sliced(equals + 1).trimmed()).toString();
            return {std::move(text), Kind::Entry, std::move(name), std::move(value)};
        }
    };

    static bool sameName(QStringView a, QStringView b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

    std::optional<qsizetype> sectionIndex(QStringView section) const
    {
        for (qsizetype i = 0; i < m_lines.size(); ++i) {
            if (m_lines[i].kind == Line::Kind::Section && sameName(m_lines[i].name, section))
                return i;
        }
        return std::nullopt;
    }

    // One past the section's last line: the next header or the end of the file.
    qsizetype endOfSection(qsizetype header) const
    {
        qsizetype i = header + 1;
        while (i < m_lines.size() && m_lines[i].kind != Line::Kind::Section)
            ++i;
        return i;
    }

    // Where a new key goes: after the section's last line that is not blank,
    // so that the blank lines that set it off from the next one stay after it.
    qsizetype endOfContent(qsizetype header) const
    {
        qsizetype end = endOfSection(header);
        while (end > header + 1 && m_lines[end - 1].isBlank())
            --end;
        return end;
    }

    std::optional<qsizetype> entryIndex(qsizetype header, QStringView key) const
    {
        const qsizetype end = endOfSection(header);
        for (qsizetype i = header + 1; i < end; ++i) {
            if (m_lines[i].kind == Line::Kind::Entry && sameName(m_lines[i].name, key))
                return i;
        }
        return std::nullopt;
    }

    QList<Line> m_lines;
    bool m_crlf = false;
};

Profile::Profile(QString path)
    : m_path(std::move(path))
    , m_onDisk(std::make_unique<Document>())
{}

Profile::~Profile() = default;

QString Profile::readString(QStringView section, QStringView key, const QString& defaultValue) const
{
    const QString* value = current().find(section, key);
    return value ? value->left(kMaxValueLength) : defaultValue;
}

qint32 Profile::readInteger(QStringView section, QStringView key, qint32 defaultValue) const
{
    const QString* value = current().find(section, key);
    return value ? parseInteger(QStringView(*value).left(kMaxValueLength)).value_or(defaultValue)
                 : defaultValue;
}

bool Profile::readBool(QStringView section, QStringView key, bool defaultValue) const
{
    return readInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void Profile::writeString(QStringView section, QStringView key, QStringView value)
{
    write(section, key, value);
}

void Profile::writeInteger(QStringView section, QStringView key, qint32 value)
{
    write(section, key, QString::number(value));
}

void Profile::writeBool(QStringView section, QStringView key, bool value)
{
    write(section, key, value ? u"1" : u"0");
}

const Profile::Document& Profile::current() const
{
    if (m_pending)
        return *m_pending;
    refresh();
    return *m_onDisk;
}

Profile::Stamp Profile::stampOf(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return {};
    return {true, info.size(), info.fileTime(QFileDevice::FileModificationTime).toMSecsSinceEpoch()};
}

void Profile::refresh() const
{
    // The stamp is taken before the content, so that a change made while
    // reading shows as a changed stamp on the next read.
    const Stamp stamp = stampOf(m_path);
    if (stamp == m_stamp)
        return;
    // A file that cannot be read reads as empty: every key gives its default.
    // So does anything but a regular file (a FIFO would block, a device feed
    // bytes without end) and a file far larger than any settings file.
    const std::optional<QByteArray> content = readRegularFile(m_path, kMaxFileBytes);
    m_onDisk = std::make_unique<Document>(content ? Document::parse(*content) : Document());
    m_stamp = stamp;
}

void Profile::write(QStringView section, QStringView key, QStringView value)
{
    QString storable = value.toString();
    storable.replace(u'\r', u' ').replace(u'\n', u' ');
    if (m_pending) {
        m_pending->set(section, key, storable);
        return;
    }
    Document next = current();
    next.set(section, key, storable);
    store(next);
}

void Profile::store(const Document& next)
{
    writeFileAtomically(m_path, next.serialize());
    *m_onDisk = next;
    m_stamp = stampOf(m_path);
}

Profile::Transaction::Transaction(Profile& profile)
    : m_profile(profile)
{
    Q_ASSERT_X(!profile.m_pending, "Profile::Transaction", "one transaction at a time");
    m_profile.m_pending = std::make_unique<Document>(m_profile.current());
}

Profile::Transaction::~Transaction()
{
    if (m_open)
        m_profile.m_pending.reset();
}

void Profile::Transaction::commit()
{
    if (!m_open)
        return;
    m_profile.store(*m_profile.m_pending);
    m_profile.m_pending.reset();
    m_open = false;
}

} // namespace hv
