#include "tools/writers/it_writer.h"

#include <algorithm>
#include <cstring>

// Layout of an Impulse Tracker 2.14 module in sample mode: the 192-byte
// header, the order list, the offset tables, then the sample headers, the
// packed patterns and the sample data, each found through its offset.
static const size_t headerSize = 0xC0;
static const size_t sampleHeaderSize = 0x50;
static const int maxChannels = 64;
static const size_t maxOrders = 255; // plus the end marker
static const size_t maxPatterns = 200;
static const size_t maxSamples = 99;

static void put16(std::vector<uint8_t>& out, size_t at, uint32_t value) {
    out[at] = uint8_t(value);
    out[at + 1] = uint8_t(value >> 8);
}

static void put32(std::vector<uint8_t>& out, size_t at, uint32_t value) {
    put16(out, at, value & 0xFFFF);
    put16(out, at + 2, value >> 16);
}

static void putText(std::vector<uint8_t>& out, size_t at, const std::string& text, size_t room) {
    // The last byte of every text field stays zero.
    std::memcpy(&out[at], text.data(), std::min(text.size(), room - 1));
}

static bool validNote(int note) {
    return note == itNoNote || (note >= 0 && note <= 119) || note == itNoteCut || note == itNoteOff;
}

static bool validModule(const ItModule& module) {
    if (module.channels < 1 || module.channels > maxChannels || module.orders.empty() ||
        module.orders.size() > maxOrders || module.patterns.size() > maxPatterns ||
        module.samples.size() > maxSamples || module.initialSpeed == 0 ||
        module.initialTempo < 32 || module.globalVolume > 128 || module.mixVolume > 128)
        return false;
    for (uint8_t order : module.orders)
        if (order != 254 && order >= module.patterns.size())
            return false;
    for (const ItPattern& pattern : module.patterns) {
        if (pattern.rows < 32 || pattern.rows > 200 || pattern.cells.size() > size_t(pattern.rows))
            return false;
        for (const std::vector<ItCell>& row : pattern.cells) {
            if (row.size() > size_t(module.channels))
                return false;
            for (const ItCell& cell : row)
                if (!validNote(cell.note) || cell.sample > module.samples.size() ||
                    cell.volume < itNoVolume || cell.volume > 64 || cell.effect > 26)
                    return false;
        }
    }
    for (const ItSample& sample : module.samples)
        if (sample.volume > 64 || sample.pcm.size() > 0xFFFFFFFFu ||
            (sample.loop &&
             (sample.loopStart >= sample.loopEnd || sample.loopEnd > sample.pcm.size())))
            return false;
    return true;
}

// Each row lists only the channels that hold something; a channel whose mask
// repeats its previous one omits the mask byte.
static std::vector<uint8_t> packPattern(const ItPattern& pattern) {
    std::vector<uint8_t> packed;
    int lastMask[maxChannels];
    std::fill(lastMask, lastMask + maxChannels, -1);
    for (int r = 0; r < pattern.rows; r++) {
        if (size_t(r) < pattern.cells.size()) {
            const std::vector<ItCell>& row = pattern.cells[size_t(r)];
            for (size_t c = 0; c < row.size(); c++) {
                const ItCell& cell = row[c];
                int mask = (cell.note != itNoNote ? 1 : 0) | (cell.sample != 0 ? 2 : 0) |
                           (cell.volume != itNoVolume ? 4 : 0) |
                           (cell.effect != 0 || cell.param != 0 ? 8 : 0);
                if (mask == 0)
                    continue;
                if (mask == lastMask[c]) {
                    packed.push_back(uint8_t(c + 1));
                } else {
                    packed.push_back(uint8_t((c + 1) | 0x80));
                    packed.push_back(uint8_t(mask));
                    lastMask[c] = mask;
                }
                if (mask & 1)
                    packed.push_back(uint8_t(cell.note));
                if (mask & 2)
                    packed.push_back(cell.sample);
                if (mask & 4)
                    packed.push_back(uint8_t(cell.volume));
                if (mask & 8) {
                    packed.push_back(cell.effect);
                    packed.push_back(cell.param);
                }
            }
        }
        packed.push_back(0);
    }
    return packed;
}

std::vector<uint8_t> encodeIt(const ItModule& module) {
    if (!validModule(module))
        return {};
    const size_t orderCount = module.orders.size() + 1;
    const size_t sampleCount = module.samples.size();
    const size_t patternCount = module.patterns.size();

    std::vector<uint8_t> out(headerSize + orderCount + 4 * (sampleCount + patternCount), 0);
    std::memcpy(&out[0], "IMPM", 4);
    putText(out, 0x04, module.title, 26);
    out[0x1E] = 4; // row highlight: beat every 4 rows, bar every 16
    out[0x1F] = 16;
    put16(out, 0x20, uint32_t(orderCount));
    put16(out, 0x22, 0);
    put16(out, 0x24, uint32_t(sampleCount));
    put16(out, 0x26, uint32_t(patternCount));
    put16(out, 0x28, 0x0214);      // written as by version 2.14
    put16(out, 0x2A, 0x0214);      // and needing 2.14 to play
    put16(out, 0x2C, 0x01 | 0x08); // stereo, linear slides; samples, not instruments
    put16(out, 0x2E, 0);           // no message, no edit history
    out[0x30] = module.globalVolume;
    out[0x31] = module.mixVolume;
    out[0x32] = module.initialSpeed;
    out[0x33] = module.initialTempo;
    out[0x34] = 128; // full stereo separation
    for (int c = 0; c < maxChannels; c++) {
        out[0x40 + size_t(c)] = 32; // centre
        out[0x80 + size_t(c)] = 64;
    }
    std::copy(module.orders.begin(), module.orders.end(), out.begin() + headerSize);
    out[headerSize + orderCount - 1] = 255;
    const size_t sampleTable = headerSize + orderCount;
    const size_t patternTable = sampleTable + 4 * sampleCount;

    std::vector<size_t> sampleHeaders(sampleCount);
    for (size_t i = 0; i < sampleCount; i++) {
        const ItSample& sample = module.samples[i];
        size_t at = out.size();
        sampleHeaders[i] = at;
        put32(out, sampleTable + 4 * i, uint32_t(at));
        out.resize(at + sampleHeaderSize, 0);
        std::memcpy(&out[at], "IMPS", 4);
        out[at + 0x11] = 64;  // sample global volume
        uint8_t flags = 0x02; // 16-bit
        if (!sample.pcm.empty())
            flags |= 0x01; // data follows
        if (sample.loop)
            flags |= 0x10;
        out[at + 0x12] = flags;
        out[at + 0x13] = sample.volume;
        putText(out, at + 0x14, sample.name, 26);
        out[at + 0x2E] = 0x01; // signed samples
        out[at + 0x2F] = 32;   // default pan, not applied
        put32(out, at + 0x30, uint32_t(sample.pcm.size()));
        put32(out, at + 0x34, sample.loop ? sample.loopStart : 0);
        put32(out, at + 0x38, sample.loop ? sample.loopEnd : 0);
        put32(out, at + 0x3C, sample.c5Speed);
    }

    for (size_t i = 0; i < patternCount; i++) {
        const ItPattern& pattern = module.patterns[i];
        std::vector<uint8_t> packed = packPattern(pattern);
        if (packed.size() > 0xFFFF)
            return {};
        size_t at = out.size();
        put32(out, patternTable + 4 * i, uint32_t(at));
        out.resize(at + 8, 0);
        put16(out, at, uint32_t(packed.size()));
        put16(out, at + 2, uint32_t(pattern.rows));
        out.insert(out.end(), packed.begin(), packed.end());
    }

    for (size_t i = 0; i < sampleCount; i++) {
        const ItSample& sample = module.samples[i];
        size_t at = out.size();
        put32(out, sampleHeaders[i] + 0x48, uint32_t(at));
        out.resize(at + 2 * sample.pcm.size());
        for (size_t k = 0; k < sample.pcm.size(); k++)
            put16(out, at + 2 * k, uint16_t(sample.pcm[k]));
    }
    return out;
}
