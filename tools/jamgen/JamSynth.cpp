#include "JamSynth.h"

#include <array>
#include <cstdio>
#include <string_view>

namespace jamgen {

namespace {

constexpr std::array<std::string_view, 24> kFirstNames = {
    "Harold", "Marta", "Dieter", "Wendell", "Ilse",   "Gustavo", "Brenda", "Otis",
    "Priya",  "Lars",  "Fenna",  "Rudy",    "Colm",   "Nadia",   "Bertil", "Yvette",
    "Amos",   "Greta", "Tobias", "Lorna",   "Casper", "Elvira",  "Moss",   "Quincy"};
constexpr std::array<std::string_view, 24> kLastNames = {
    "Pinkett",    "Vanderbeek", "Oakhollow", "Strand",   "Mulligrew", "Tessaro",
    "Brightwell", "Kozlar",     "Fennimore", "Haldane",  "Quist",     "Rimbauer",
    "Sallow",     "Underhay",   "Wexley",    "Ambridge", "Crowe",     "Dunmore",
    "Ellory",     "Frane",      "Gorse",     "Hollis",   "Inchcape",  "Jessop"};
constexpr std::array<std::string_view, 20> kTopicA = {
    "Courier HST", "Zmodem",      "FOSSIL driver",   "nodelist",      "echomail tosser",
    "door games",  "ANSI art",    "16550 UART",      "BBS software",  "mailer setup",
    "QWK packets", "file echoes", "SCSI controller", "486 board",     "multinode setup",
    "DESQview",    "crash mail",  "Telix scripts",   "V.32bis modem", "hard disk"};
constexpr std::array<std::string_view, 16> kTopicB = {
    "trouble",     "for sale",        "wanted",        "question",
    "upgrade",     "recommendations", "settings",      "won't connect",
    "swap meet",   "speed test",      "horror story",  "finally working",
    "vs the rest", "on the cheap",    "cheap at last", "help needed"};
constexpr std::array<std::string_view, 96> kWords = {
    "the",     "modem",    "board",   "and",     "a",        "to",     "of",        "it",
    "my",      "that",     "is",      "with",    "for",      "was",    "on",        "you",
    "have",    "but",      "not",     "this",    "at",       "from",   "they",      "we",
    "would",   "there",    "been",    "baud",    "node",     "sysop",  "caller",    "line",
    "upload",  "download", "archive", "packet",  "tosser",   "mailer", "echo",      "net",
    "config",  "batch",    "file",    "disk",    "memory",   "driver", "port",      "IRQ",
    "setting", "init",     "string",  "carrier", "connect",  "busy",   "ring",      "night",
    "weekend", "hours",    "poll",    "hub",     "feed",     "points", "users",     "door",
    "game",    "score",    "menu",    "screen",  "colour",   "ANSI",   "logon",     "password",
    "swap",    "meet",     "price",   "cheap",   "working",  "broken", "again",     "finally",
    "think",   "really",   "still",   "maybe",   "probably", "anyway", "yesterday", "tonight",
    "just",    "only",     "also",    "because", "when",     "after",  "before",    "about"};
constexpr std::array<std::string_view, 6> kPrograms = {"SkeinMail 1.2",  "Tossmaster 2.04",
                                                       "GoldRiver 3.1",  "BinkWeave 0.9",
                                                       "QuickEcho 2.60", "HarborMail 1.07"};
constexpr std::array<std::string_view, 8> kBoards = {
    "The Rusty Modem BBS", "Night Owl Node", "Carrier Lost",    "The Attic Exchange",
    "Static Line BBS",     "Basement Relay", "Dial Tone Depot", "Half Duplex Harbour"};

enum class Shape { Single, Chain, Wide, Bushy };

struct Thread {
    Shape Kind = Shape::Single;
    std::uint32_t Target = 1;
    std::string Subject;
    std::vector<std::uint32_t> Members; // message numbers; Members[0] is the root
};

struct MsgFacts {
    std::uint16_t Sender = 0;
    std::uint32_t Serial = 0;
};

std::string nameOf(std::uint16_t person) {
    std::string name(kFirstNames[person % kFirstNames.size()]);
    name += ' ';
    name += kLastNames[(person / kFirstNames.size()) % kLastNames.size()];
    return name;
}

std::string addressOf(std::uint16_t person) {
    return "77:" + std::to_string(100 + person % 7) + "/" + std::to_string(10 + person % 53);
}

std::string msgIdOf(const MsgFacts& facts) {
    char serial[16];
    std::snprintf(serial, sizeof serial, "%08x", static_cast<unsigned>(facts.Serial));
    return addressOf(facts.Sender) + " " + serial;
}

std::string initials(std::uint16_t person) {
    std::string name = nameOf(person);
    std::string out(1, name[0]);
    out += name[name.find(' ') + 1];
    return out;
}

// Appends words to fill roughly wanted bytes, in CR-ended lines of at most 72 columns, with a
// blank line between paragraphs.
void appendProse(std::string& text, std::size_t wanted, SynthRandom& rng, std::string_view lead) {
    std::size_t start = text.size();
    std::size_t lineStart = text.size();
    text += lead;
    std::uint32_t sentence = 0;
    while (text.size() - start < wanted) {
        std::string_view word = kWords[rng.Below(kWords.size())];
        bool newSentence = sentence == 0;
        std::size_t need = word.size() + 2;
        if (text.size() - lineStart + need > 72) {
            if (text.back() == ' ') text.pop_back();
            text += '\r';
            lineStart = text.size();
            text += lead;
        }
        if (newSentence && !word.empty() && word[0] >= 'a' && word[0] <= 'z') {
            text += static_cast<char>(word[0] - 'a' + 'A');
            text += word.substr(1);
        } else {
            text += word;
        }
        if (++sentence >= 6 + rng.Below(10)) {
            text += rng.Chance(15) ? "? " : ". ";
            sentence = 0;
            if (rng.Chance(20)) { // paragraph break
                if (text.back() == ' ') text.pop_back();
                text += "\r\r";
                lineStart = text.size();
                text += lead;
            }
        } else {
            text += ' ';
        }
    }
    if (text.back() == ' ') text.pop_back();
    text += '\r';
}

std::string makeText(const std::string& to, std::uint16_t sender, std::int64_t quotedPerson,
                     SynthRandom& rng) {
    std::string text;
    std::size_t wanted = 1024 + rng.Below(2049);
    text.reserve(wanted + 200);
    text += "Hello " + to.substr(0, to.find(' ')) + "!\r\r";
    if (quotedPerson >= 0) {
        // Built by appending: g++ 12 warns falsely (-Wrestrict) on " " + std::string + "> ".
        std::string lead = " ";
        lead += initials(static_cast<std::uint16_t>(quotedPerson));
        lead += "> ";
        appendProse(text, 120 + rng.Below(300), rng, lead);
        text += '\r';
    }
    std::string tail = "\r--- " + std::string(kPrograms[sender % kPrograms.size()]) + "\r";
    tail += " * Origin: " + std::string(kBoards[sender % kBoards.size()]) + " (" +
            addressOf(sender) + ")\r";
    if (text.size() + tail.size() < wanted) {
        appendProse(text, wanted - text.size() - tail.size(), rng, "");
    }
    text += tail;
    return text;
}

Thread newThread(SynthRandom& rng) {
    Thread t;
    std::uint32_t roll = rng.Below(100);
    if (roll < 45) {
        t.Kind = Shape::Single;
        t.Target = 1;
    } else if (roll < 65) {
        t.Kind = Shape::Chain;
        t.Target = rng.Chance(3) ? 150 + rng.Below(400) : 3 + rng.Below(12);
    } else if (roll < 80) {
        t.Kind = Shape::Wide;
        t.Target = 5 + rng.Below(25);
    } else {
        t.Kind = Shape::Bushy;
        t.Target = 4 + rng.Below(30);
    }
    t.Subject = std::string(kTopicA[rng.Below(kTopicA.size())]) + " " +
                std::string(kTopicB[rng.Below(kTopicB.size())]);
    return t;
}

std::uint32_t pickParent(const Thread& t, SynthRandom& rng) {
    switch (t.Kind) {
    case Shape::Chain:
        return t.Members.back();
    case Shape::Wide:
        return rng.Chance(85) ? t.Members.front() : t.Members[rng.Below(t.Members.size())];
    default: {
        // Later messages draw more answers, as in a live discussion.
        std::uint32_t n = static_cast<std::uint32_t>(t.Members.size());
        std::uint32_t a = rng.Below(n), b = rng.Below(n);
        return t.Members[a > b ? a : b];
    }
    }
}

} // namespace

std::uint64_t SynthRandom::Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

std::uint32_t SynthRandom::Below(std::uint32_t bound) {
    if (bound == 0) return 0;
    return static_cast<std::uint32_t>((Next() >> 11) % bound);
}

JamBaseModel MakeSyntheticBase(const SynthOptions& options) {
    SynthRandom rng(options.Seed);
    JamBaseModel model;
    model.Header.BaseMsgNum = options.BaseMsgNum;
    model.Header.DateCreated = options.FirstDate;
    model.Header.ModCounter = options.Messages;
    model.Messages.reserve(options.Messages);

    constexpr std::uint16_t kPeople = kFirstNames.size() * kLastNames.size();
    std::vector<MsgFacts> facts;
    facts.reserve(options.Messages);
    std::vector<Thread> open;
    std::uint32_t date = options.FirstDate;

    for (std::uint32_t i = 0; i < options.Messages; ++i) {
        std::uint32_t number = options.BaseMsgNum + i;
        date += 60 + rng.Below(1800);
        MsgFacts mine{static_cast<std::uint16_t>(rng.Below(kPeople)),
                      static_cast<std::uint32_t>(rng.Next())};

        // Few threads are alive at once, so that each grows to its size; singles close at once.
        bool startNew = open.empty() || rng.Chance(open.size() < 4    ? 50
                                                   : open.size() < 12 ? 25
                                                                      : 8);
        std::size_t slot = 0;
        if (startNew) {
            Thread t = newThread(rng);
            open.push_back(std::move(t));
            slot = open.size() - 1;
        } else {
            slot = rng.Below(static_cast<std::uint32_t>(open.size()));
        }
        Thread& thread = open[slot];
        std::uint32_t parent = thread.Members.empty() ? 0 : pickParent(thread, rng);
        const MsgFacts* parentFacts = parent ? &facts[parent - options.BaseMsgNum] : nullptr;

        std::string to = parentFacts ? nameOf(parentFacts->Sender) : "All";
        std::string subject = parent ? "Re: " + thread.Subject : thread.Subject;
        JamMessage& msg = model.AddMessage(number, nameOf(mine.Sender), to, subject, date, parent);
        msg.DateReceived = date + 30 + rng.Below(7200);
        msg.DateProcessed = msg.DateReceived;
        msg.Attribute = kJamMsgTypeEcho; // tossed in from the network, not written here
        msg.AddSubfield(kOAddress, addressOf(mine.Sender));
        msg.AddSubfield(kMsgId, msgIdOf(mine));
        if (parentFacts) msg.AddSubfield(kReplyId, msgIdOf(*parentFacts));
        msg.AddSubfield(kPid, std::string(kPrograms[mine.Sender % kPrograms.size()]));
        msg.AddSubfield(kTzUtcInfo, (mine.Sender % 3 == 0) ? "-0500" : "0100");
        msg.AddSubfield(kFtsKludge, "CHRS: CP437 2");
        msg.AddSubfield(kSeenBy2D, "100/1 10 12 14 101/5 102/10 30 31 103/0 104/4 7 105/99");
        msg.AddSubfield(kPath2D, std::to_string(100 + mine.Sender % 7) + "/" +
                                     std::to_string(10 + mine.Sender % 53) + " 100/1");
        msg.Text =
            makeText(to, mine.Sender, parentFacts ? std::int64_t(parentFacts->Sender) : -1, rng);

        facts.push_back(mine);
        thread.Members.push_back(number);
        if (thread.Members.size() >= thread.Target) {
            open.erase(open.begin() + static_cast<std::ptrdiff_t>(slot));
        } else if (open.size() > 80) {
            open.erase(open.begin());
        }
    }
    return model;
}

} // namespace jamgen
