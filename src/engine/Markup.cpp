#include "Markup.h"

#include <algorithm>
#include <array>
#include <deque>
#include <optional>

namespace lectern::engine {
namespace {

enum class Element { Voice, Volume, Rate, Pitch, Silence, Other };

Element elementFor(QStringView name) {
    if (name.compare(u"voice", Qt::CaseInsensitive) == 0)
        return Element::Voice;
    if (name.compare(u"volume", Qt::CaseInsensitive) == 0)
        return Element::Volume;
    if (name.compare(u"rate", Qt::CaseInsensitive) == 0)
        return Element::Rate;
    if (name.compare(u"pitch", Qt::CaseInsensitive) == 0)
        return Element::Pitch;
    if (name.compare(u"silence", Qt::CaseInsensitive) == 0)
        return Element::Silence;
    return Element::Other;
}

bool isNameChar(QChar c) {
    return c.isLetterOrNumber() || c == u'_' || c == u'-' || c == u':' || c == u'.';
}

struct Tag {
    bool closing = false;
    bool selfClosing = false;
    Element element = Element::Other;
    std::vector<std::pair<QStringView, QStringView>> attributes;
};

// `body` is what lies between "<" and ">". nullopt when it is no tag at all
// (for example "a < b"), so the caller speaks it.
std::optional<Tag> parseTag(QStringView body) {
    Tag tag;
    qsizetype i = 0;
    const qsizetype n = body.size();
    if (n == 0)
        return std::nullopt;
    if (body[0] == u'!' || body[0] == u'?') // comments, declarations
        return tag;
    if (body[0] == u'/') {
        tag.closing = true;
        ++i;
    }
    const qsizetype nameStart = i;
    while (i < n && isNameChar(body[i]))
        ++i;
    if (i == nameStart || !body[nameStart].isLetter())
        return std::nullopt;
    tag.element = elementFor(body.sliced(nameStart, i - nameStart));
    if (n > 0 && body[n - 1] == u'/')
        tag.selfClosing = true;
    const qsizetype end = tag.selfClosing ? n - 1 : n;
    while (i < end) {
        while (i < end && body[i].isSpace())
            ++i;
        const qsizetype attrStart = i;
        while (i < end && isNameChar(body[i]))
            ++i;
        if (i == attrStart) {
            ++i; // stray character: skip it
            continue;
        }
        QStringView name = body.sliced(attrStart, i - attrStart);
        while (i < end && body[i].isSpace())
            ++i;
        QStringView value;
        if (i < end && body[i] == u'=') {
            ++i;
            while (i < end && body[i].isSpace())
                ++i;
            if (i < end && (body[i] == u'"' || body[i] == u'\'')) {
                const QChar quote = body[i++];
                const qsizetype valueStart = i;
                while (i < end && body[i] != quote)
                    ++i;
                value = body.sliced(valueStart, i - valueStart);
                if (i < end)
                    ++i;
            } else {
                const qsizetype valueStart = i;
                while (i < end && !body[i].isSpace())
                    ++i;
                value = body.sliced(valueStart, i - valueStart);
            }
        }
        tag.attributes.emplace_back(name, value);
    }
    return tag;
}

std::optional<QStringView> attribute(const Tag& tag, QStringView name) {
    for (const auto& [key, value] : tag.attributes) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return std::nullopt;
}

std::optional<int> intAttribute(const Tag& tag, QStringView name) {
    const auto value = attribute(tag, name);
    if (!value)
        return std::nullopt;
    bool ok = false;
    // Decimals are accepted and truncated; huge values saturate below.
    const double v = value->trimmed().toDouble(&ok);
    if (!ok || v != v)
        return std::nullopt;
    return static_cast<int>(std::clamp(v, -1e9, 1e9));
}

// "NAME=English (America); Gender=Male" -> "English (America)"
std::optional<QStringView> requiredName(QStringView required) {
    qsizetype start = 0;
    while (start <= required.size()) {
        qsizetype end = required.indexOf(u';', start);
        if (end < 0)
            end = required.size();
        QStringView condition = required.sliced(start, end - start).trimmed();
        const qsizetype eq = condition.indexOf(u'=');
        if (eq > 0 && condition.first(eq).trimmed().compare(u"name", Qt::CaseInsensitive) == 0)
            return condition.sliced(eq + 1).trimmed();
        start = end + 1;
    }
    return std::nullopt;
}

// Decodes an entity starting at text[i] == '&'. Returns the characters and
// the length consumed, or nullopt when it is a plain ampersand.
std::optional<std::pair<QString, qsizetype>> decodeEntity(QStringView text, qsizetype i) {
    const qsizetype limit = std::min<qsizetype>(text.size(), i + 12);
    qsizetype semi = -1;
    for (qsizetype j = i + 1; j < limit; ++j) {
        if (text[j] == u';') {
            semi = j;
            break;
        }
    }
    if (semi < 0)
        return std::nullopt;
    QStringView name = text.sliced(i + 1, semi - i - 1);
    const qsizetype consumed = semi - i + 1;
    static const std::array<std::pair<const char16_t*, char16_t>, 5> named = {
        {{u"amp", u'&'}, {u"lt", u'<'}, {u"gt", u'>'}, {u"quot", u'"'}, {u"apos", u'\''}}};
    for (const auto& [entity, ch] : named) {
        if (name == QStringView(entity))
            return std::make_pair(QString(QChar(ch)), consumed);
    }
    if (name.size() >= 2 && name[0] == u'#') {
        bool ok = false;
        uint code = 0;
        if (name[1] == u'x' || name[1] == u'X')
            code = name.sliced(2).toUInt(&ok, 16);
        else
            code = name.sliced(1).toUInt(&ok, 10);
        if (!ok || code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return std::nullopt;
        const char32_t c = code;
        return std::make_pair(QString::fromUcs4(&c, 1), consumed);
    }
    return std::nullopt;
}

constexpr qsizetype SoftSegmentLength = 2000;
constexpr qsizetype HardSegmentLength = 8000;

class SegmentBuilder {
public:
    explicit SegmentBuilder(std::deque<SpeechSegment>& out) : m_out(out) {}

    void append(QChar c, int from, int to, const ProsodyState& state) {
        if (m_current.text.isEmpty())
            m_current.prosody = state;
        m_current.text.append(c);
        m_current.offsets.push_back(from);
        m_end = to;
        // Runs that share one prosody would otherwise grow into a single
        // segment of the whole text, read to its end before speech starts
        // or a purge is noticed. Cut at a space where one comes, else
        // anywhere but inside a surrogate pair.
        const qsizetype size = m_current.text.size();
        if ((size >= SoftSegmentLength && c.isSpace()) ||
            (size >= HardSegmentLength && !c.isHighSurrogate()))
            flush();
    }
    void append(QStringView s, int from, int to, const ProsodyState& state) {
        for (QChar c : s)
            append(c, from, to, state);
    }
    void flush() {
        if (m_current.text.isEmpty())
            return;
        m_current.offsets.push_back(m_end);
        m_out.push_back(std::move(m_current));
        m_current = SpeechSegment{};
    }
    void silence(int ms, const ProsodyState& state) {
        flush();
        SpeechSegment s;
        s.kind = SpeechSegment::Kind::Silence;
        s.silenceMs = ms;
        s.prosody = state;
        m_out.push_back(std::move(s));
    }
    const ProsodyState& pendingState() const { return m_current.prosody; }
    bool hasText() const { return !m_current.text.isEmpty(); }

private:
    std::deque<SpeechSegment>& m_out;
    SpeechSegment m_current;
    int m_end = 0;
};

} // namespace

bool looksLikeMarkup(QStringView text) {
    for (QChar c : text) {
        if (!c.isSpace())
            return c == u'<';
    }
    return false;
}

SpeechSegment plainSegment(QStringView text, const ProsodyState& prosody) {
    SpeechSegment s;
    s.text = text.toString();
    s.prosody = prosody;
    s.offsets.resize(static_cast<size_t>(text.size()) + 1);
    for (size_t i = 0; i < s.offsets.size(); ++i)
        s.offsets[i] = static_cast<int>(i);
    return s;
}

struct SpeechMarkupReader::Private {
    Private(QStringView t, const ProsodyState& initial, VoiceResolver resolver)
        : text(t), resolveVoice(std::move(resolver)), state(initial), builder(ready) {}

    void step();
    void handleTag(const Tag& tag);
    void stateChanged() {
        if (builder.hasText() && !(builder.pendingState() == state))
            builder.flush();
    }

    QStringView text;
    VoiceResolver resolveVoice;
    qsizetype pos = 0;
    bool finished = false;
    ProsodyState state;
    // One stack per kind: a closing tag restores only its own kind, so
    // closes in either nesting order leave the other kinds alone.
    std::vector<QString> voices;
    std::vector<int> volumes, rates, pitches;
    std::deque<SpeechSegment> ready;
    SegmentBuilder builder;
};

namespace {

template <typename Stack, typename Field, typename Value>
void push(Stack& stack, Field& field, Value value) {
    stack.push_back(field);
    field = value;
}

template <typename Stack, typename Field> void pop(Stack& stack, Field& field) {
    if (stack.empty())
        return; // a close without its open: ignore it
    field = stack.back();
    stack.pop_back();
}

} // namespace

void SpeechMarkupReader::Private::handleTag(const Tag& tag) {
    const bool open = !tag.closing;
    const bool scoped = open && !tag.selfClosing;
    switch (tag.element) {
    case Element::Voice:
        if (tag.closing) {
            pop(voices, state.voiceId);
        } else {
            QString id = state.voiceId;
            auto required = attribute(tag, u"required");
            if (!required)
                required = attribute(tag, u"optional");
            if (required) {
                if (const auto name = requiredName(*required); name && resolveVoice) {
                    const QString found = resolveVoice(*name);
                    if (!found.isEmpty())
                        id = found;
                }
            }
            if (scoped)
                push(voices, state.voiceId, id);
            else
                state.voiceId = id;
        }
        break;
    case Element::Volume:
    case Element::Rate:
    case Element::Pitch: {
        auto& stack = tag.element == Element::Volume ? volumes
                      : tag.element == Element::Rate ? rates
                                                     : pitches;
        int& field = tag.element == Element::Volume ? state.volume
                     : tag.element == Element::Rate ? state.rate
                                                    : state.pitch;
        if (tag.closing) {
            pop(stack, field);
            break;
        }
        std::optional<int> value;
        int low = 0, high = 100;
        if (tag.element == Element::Volume) {
            value = intAttribute(tag, u"level");
        } else if (tag.element == Element::Rate) {
            value = intAttribute(tag, u"speed");
            if (!value)
                value = intAttribute(tag, u"absspeed");
            low = -10, high = 10;
        } else {
            value = intAttribute(tag, u"middle");
            if (!value)
                value = intAttribute(tag, u"absmiddle");
            low = -100, high = 100;
        }
        const int v = value ? std::clamp(*value, low, high) : field;
        if (scoped)
            push(stack, field, v);
        else
            field = v;
        break;
    }
    case Element::Silence:
        if (open) {
            const int ms = std::clamp(intAttribute(tag, u"msec").value_or(0), 0, MaxSilenceMs);
            if (ms > 0)
                builder.silence(ms, state);
        }
        break;
    case Element::Other:
        break;
    }
    stateChanged();
}

// Consumes one tag, entity or character.
void SpeechMarkupReader::Private::step() {
    const qsizetype n = text.size();
    const qsizetype i = pos;
    const QChar c = text[i];
    if (c == u'<') {
        // The tag ends at the next '>', unless another '<' comes first:
        // then this '<' is text. Each character is scanned at most twice.
        qsizetype j = i + 1;
        while (j < n && text[j] != u'>' && text[j] != u'<')
            ++j;
        std::optional<Tag> tag;
        if (j < n && text[j] == u'>')
            tag = parseTag(text.sliced(i + 1, j - i - 1));
        if (!tag) {
            builder.append(c, int(i), int(i + 1), state);
            pos = i + 1;
            return;
        }
        pos = j + 1;
        handleTag(*tag);
        return;
    }
    if (c == u'&') {
        if (auto entity = decodeEntity(text, i)) {
            builder.append(entity->first, int(i), int(i + entity->second), state);
            pos = i + entity->second;
            return;
        }
    }
    builder.append(c, int(i), int(i + 1), state);
    pos = i + 1;
}

SpeechMarkupReader::SpeechMarkupReader(QStringView text, const ProsodyState& initial,
                                       VoiceResolver resolveVoice)
    : d(std::make_unique<Private>(text, initial, std::move(resolveVoice))) {}

SpeechMarkupReader::~SpeechMarkupReader() = default;

std::optional<SpeechSegment> SpeechMarkupReader::next() {
    while (d->ready.empty() && d->pos < d->text.size())
        d->step();
    if (d->ready.empty() && !d->finished) {
        d->finished = true;
        d->builder.flush();
    }
    if (d->ready.empty())
        return std::nullopt;
    SpeechSegment s = std::move(d->ready.front());
    d->ready.pop_front();
    return s;
}

std::vector<SpeechSegment> parseSpeechMarkup(QStringView text, const ProsodyState& initial,
                                             const VoiceResolver& resolveVoice) {
    std::vector<SpeechSegment> out;
    SpeechMarkupReader reader(text, initial, resolveVoice);
    while (auto segment = reader.next())
        out.push_back(std::move(*segment));
    return out;
}

} // namespace lectern::engine
