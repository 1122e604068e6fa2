// SPDX-License-Identifier: GPL-3.0-or-later
#include "package/xml_halves.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <thread>

#include "package/push_parser.h"

namespace velmora::package {
namespace {

// Past this many bytes, or past the middle, without the head's end, the part is read whole: real heads
// are a few kilobytes (a sheet's column widths, a document's automatic styles).
constexpr std::size_t kHeadLimit = std::size_t{16} << 20;
constexpr std::size_t kMemoryChunk = std::size_t{1} << 18;

bool endsName(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '>' || c == '/'; }

// The first `tag` at or after `from` whose name ends there; npos when there is none (or only one whose
// next byte is not yet read).
std::size_t findTag(std::string_view text, std::string_view tag, std::size_t from) {
    for (std::size_t at = text.find(tag, from); at != std::string_view::npos; at = text.find(tag, at + 1)) {
        if (at + tag.size() < text.size() && endsName(text[at + tag.size()])) return at;
    }
    return std::string_view::npos;
}

PartStatus readChunks(const XmlSource& source, const ZipPackage* zip,
                      const std::function<bool(std::string_view)>& consume) {
    if (zip) return zip->read(source.partName, consume);
    for (std::string_view xml = source.xml; !xml.empty();) {
        const std::string_view chunk = xml.substr(0, kMemoryChunk);
        xml.remove_prefix(chunk.size());
        if (!consume(chunk)) break;
    }
    return PartStatus::Ok;
}

// What the second half tells the first: where it begins, or that there is no second half.
class Meeting {
public:
    void decide(std::optional<std::size_t> split, int headDepth) {
        {
            const std::lock_guard lock(m_mutex);
            if (m_decided) return;
            m_decided = true;
            m_split = split;
            m_headDepth = headDepth;
        }
        m_changed.notify_all();
    }
    std::optional<std::size_t> awaitSplit() {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_decided; });
        return m_split;
    }
    int headDepth() {
        const std::lock_guard lock(m_mutex);
        return m_headDepth;
    }
    std::atomic<bool> stop{false};  // the first half read the part whole: the second may give up

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_decided = false;
    std::optional<std::size_t> m_split;
    int m_headDepth = 0;
};

// Reads the part from its start on its own thread: gathers the head and feeds it to the second parser,
// skips to the middle, finds a row's start tag there and feeds the parser from it to the end.
class SecondHalf {
public:
    SecondHalf(const HalvesShape& shape, std::size_t middle, XmlHandler& handler, Meeting& meeting)
        : m_shape(shape), m_middle(middle), m_parser(handler), m_meeting(meeting) {}

    bool consume(std::string_view chunk) {
        if (m_meeting.stop) return false;
        switch (m_phase) {
            case Phase::Head:
                return readHead(chunk);
            case Phase::Seek:
                return seek(chunk);
            case Phase::Feed:
                return m_parser.feed(chunk);
            case Phase::Done:
                break;
        }
        return false;
    }

    // The second half's status once its bytes are read, or nullopt when there was no second half.
    std::optional<PartStatus> finish(PartStatus read) {
        if (m_phase != Phase::Feed) {
            giveUp();
            return std::nullopt;
        }
        return read == PartStatus::Ok ? m_parser.finish() : read;
    }

    bool giveUp() {
        m_phase = Phase::Done;
        m_meeting.decide(std::nullopt, 0);
        return false;
    }

private:
    enum class Phase { Head, Seek, Feed, Done };

    bool readHead(std::string_view chunk) {
        m_head.append(chunk);
        const std::size_t at = findTag(m_head, m_shape.headTag, 0);
        const std::size_t close = at == std::string::npos ? at : m_head.find('>', at);
        if (close == std::string::npos) return m_head.size() <= std::min(kHeadLimit, m_middle) || giveUp();
        const std::size_t headEnd = close + 1;
        m_parser.watchFor(m_shape.headName, m_shape.headUriEnd);
        m_parser.feed(std::string_view(m_head).substr(0, headEnd));
        const std::optional<int> depth = m_parser.depthOfHeadJustRead();
        if (!depth) return giveUp();
        m_headDepth = *depth;
        m_middle = std::max(m_middle, headEnd);
        m_phase = Phase::Seek;
        m_carryStart = headEnd;
        const std::string rest = m_head.substr(headEnd);
        m_head.clear();
        m_head.shrink_to_fit();
        return seek(rest);
    }

    // `chunk` follows m_carry, the last bytes of what came before (a row tag may straddle two chunks).
    bool seek(std::string_view chunk) {
        const std::size_t keep = m_shape.rowTag.size() + 1;
        const std::size_t end = m_carryStart + m_carry.size() + chunk.size();
        if (end <= m_middle) {
            keepTail(chunk, keep);
            return true;
        }
        const std::string text = m_carry + std::string(chunk);
        const std::size_t textStart = m_carryStart;
        const std::size_t at = findTag(text, m_shape.rowTag, m_middle > textStart ? m_middle - textStart : 0);
        if (at == std::string::npos) {
            keepTail(chunk, keep);
            return true;
        }
        m_meeting.decide(textStart + at, m_headDepth);
        m_phase = Phase::Feed;
        return m_parser.feed(std::string_view(text).substr(at));
    }

    // Keeps the last `keep` bytes of what has been read, as m_carry.
    void keepTail(std::string_view chunk, std::size_t keep) {
        const std::size_t end = m_carryStart + m_carry.size() + chunk.size();
        m_carry.append(chunk.substr(chunk.size() - std::min(chunk.size(), keep)));
        if (m_carry.size() > keep) m_carry.erase(0, m_carry.size() - keep);
        m_carryStart = end - m_carry.size();
    }

    const HalvesShape& m_shape;
    std::size_t m_middle;
    PushParser m_parser;
    Meeting& m_meeting;
    Phase m_phase = Phase::Head;
    std::string m_head;
    int m_headDepth = 0;
    std::string m_carry;
    std::size_t m_carryStart = 0;  // the offset of m_carry's first byte in the part
};

// The halves take a second thread with its stack and heap, a second inflater, a second parser and half
// a sheet more at once. GLib, under libgsf, ends the process when one of its allocations fails, so under
// a memory limit the part is read whole unless far more than that is to be had (asked for and given
// back at once; volatile, so the request is made).
bool haveRoomForHalves() {
    constexpr std::size_t kRoom = std::size_t{256} << 20;
    void* volatile room = std::malloc(kRoom);
    if (room == nullptr) return false;
    std::free(room);
    return true;
}

}  // namespace

HalvesResult parseXmlInHalves(const XmlSource& source, const HalvesShape& shape, XmlHandler& first,
                              XmlHandler& second) {
    const std::size_t size = source.size().value_or(0);
    Meeting meeting;
    std::optional<PartStatus> secondStatus;
    const auto readSecond = [&] {
        std::optional<SecondHalf> half;
        try {
            half.emplace(shape, size / 2, second, meeting);
            std::optional<ZipPackage> zip;
            if (source.zip) zip = source.zip->reopen();
            if (source.zip && !zip) {
                half->giveUp();
                return;
            }
            const PartStatus read = readChunks(source, zip ? &*zip : nullptr,
                                               [&half](std::string_view c) { return half->consume(c); });
            secondStatus = half->finish(read);
        } catch (...) {
            // Out of memory on this thread: no second half; the caller reads the part whole.
            meeting.decide(std::nullopt, 0);
            secondStatus = PartStatus::Damaged;
        }
    };
    std::thread thread;
    if (haveRoomForHalves()) {
        try {
            thread = std::thread(readSecond);
        } catch (const std::system_error&) {
            meeting.decide(std::nullopt, 0);
        }
    } else {
        meeting.decide(std::nullopt, 0);
    }
    // However the first half ends, the second stops (unless it is needed) and is joined before the
    // meeting goes.
    bool needSecond = false;
    struct Join {
        std::thread& thread;
        Meeting& meeting;
        bool& needSecond;
        ~Join() {
            if (!needSecond) meeting.stop = true;
            if (thread.joinable()) thread.join();
        }
    } join{thread, meeting, needSecond};

    PushParser parser(first);
    std::size_t offset = 0;
    bool asked = false;
    std::optional<std::size_t> split;
    bool reachedSplit = false;
    const PartStatus read = readChunks(source, source.zip, [&](std::string_view chunk) {
        if (!asked && offset + chunk.size() > size / 2) {
            split = meeting.awaitSplit();
            asked = true;
        }
        if (split && offset + chunk.size() >= *split) {
            const std::size_t before = *split - offset;
            if (!parser.feed(chunk.substr(0, before))) return false;  // ended before the split
            if (first.readyToSplit()) {
                reachedSplit = true;
                return false;
            }
            // The row found there is no place to hand over (a later table's, say): read on, whole,
            // and let the second half go.
            meeting.stop = true;
            split.reset();
            offset += chunk.size();
            return parser.feed(chunk.substr(before));
        }
        offset += chunk.size();
        return parser.feed(chunk);
    });
    if (!reachedSplit) {
        // Whatever the second half did, the first read all the whole parse would: its end stands.
        return {HalvesOutcome::Whole, read == PartStatus::Ok ? parser.finish() : read};
    }
    needSecond = true;
    const bool met = parser.endsAtDepth(meeting.headDepth());
    if (thread.joinable()) thread.join();
    if (!met || secondStatus != PartStatus::Ok) return {HalvesOutcome::Abandoned, PartStatus::Ok};
    return {HalvesOutcome::Halves, PartStatus::Ok};
}

}  // namespace velmora::package
