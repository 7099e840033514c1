#include "tests/test_songs.h"
#include "tools/writers/it_writer.h"

#include <cstring>
#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.h>
#include <string>

static uint32_t read16(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8;
}
static uint32_t read32(const std::vector<uint8_t>& b, size_t at) {
    return read16(b, at) | read16(b, at + 2) << 16;
}

static openmpt_module* openModule(const std::vector<uint8_t>& bytes) {
    return openmpt_module_create_from_memory2(bytes.data(), bytes.size(), openmpt_log_func_silent,
                                              nullptr, openmpt_error_func_ignore, nullptr, nullptr,
                                              nullptr, nullptr);
}

static std::string metadata(openmpt_module* mod, const char* key) {
    const char* text = openmpt_module_get_metadata(mod, key);
    std::string value = text ? text : "";
    openmpt_free_string(text);
    return value;
}

// A module exercising every cell field, a cut, an off, a speed effect, a
// skip marker and two samples, one looped and one not.
static ItModule richModule() {
    ItModule module = makeTestSong(3, 3, 125, 40);
    module.title = "a title longer than twenty-six characters";
    module.channels = 4;
    ItSample click;
    click.name = "click";
    click.pcm = {0, 32767, -32768, 100, -100};
    click.c5Speed = 22050;
    click.volume = 40;
    module.samples.push_back(click);
    ItPattern& p = module.patterns[1];
    p.cells[3].resize(4);
    p.cells[3][3] = {119, 2, 64, 1, 4};
    p.cells[5].resize(3);
    p.cells[5][2] = {itNoteCut, 0, itNoVolume, 0, 0};
    p.cells[6].resize(3);
    p.cells[6][2] = {itNoteOff, 0, 0, 0, 0};
    p.cells[7].resize(3);
    p.cells[7][2] = {itNoNote, 0, itNoVolume, 19, 0x80}; // S80: effect without note
    module.orders.insert(module.orders.begin() + 1, 254);
    return module;
}

TEST(ItWriter, HeaderTablesAndSampleDataFollowTheFormat) {
    ItModule module = richModule();
    std::vector<uint8_t> file = encodeIt(module);
    ASSERT_GT(file.size(), 0xC0u);
    EXPECT_EQ(std::memcmp(file.data(), "IMPM", 4), 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&file[4])), "a title longer than twent")
        << "25 characters and a zero";
    const uint32_t orders = read16(file, 0x20);
    EXPECT_EQ(orders, module.orders.size() + 1);
    EXPECT_EQ(read16(file, 0x22), 0u);
    EXPECT_EQ(read16(file, 0x24), 2u);
    EXPECT_EQ(read16(file, 0x26), 4u);
    EXPECT_EQ(read16(file, 0x2C) & 0x0C, 0x08u) << "linear slides, no instruments";
    EXPECT_EQ(file[0x32], 3);
    EXPECT_EQ(file[0x33], 125);
    EXPECT_EQ(file[0xC0 + 1], 254);
    EXPECT_EQ(file[0xC0 + orders - 1], 255);

    const size_t sampleTable = 0xC0 + orders;
    for (size_t i = 0; i < 2; i++) {
        const ItSample& sample = module.samples[i];
        size_t at = read32(file, sampleTable + 4 * i);
        ASSERT_LT(at + 0x50, file.size());
        EXPECT_EQ(std::memcmp(&file[at], "IMPS", 4), 0);
        EXPECT_EQ(file[at + 0x12], sample.loop ? 0x13 : 0x03) << "data, 16-bit, loop";
        EXPECT_EQ(file[at + 0x13], sample.volume);
        EXPECT_EQ(file[at + 0x2E] & 1, 1) << "signed";
        EXPECT_EQ(read32(file, at + 0x30), sample.pcm.size());
        EXPECT_EQ(read32(file, at + 0x38), sample.loop ? sample.loopEnd : 0u);
        EXPECT_EQ(read32(file, at + 0x3C), sample.c5Speed);
        size_t data = read32(file, at + 0x48);
        ASSERT_LE(data + 2 * sample.pcm.size(), file.size());
        for (size_t k = 0; k < sample.pcm.size(); k++)
            ASSERT_EQ(int16_t(read16(file, data + 2 * k)), sample.pcm[k]) << k;
    }
    const size_t patternTable = sampleTable + 8;
    for (size_t i = 0; i < 4; i++) {
        size_t at = read32(file, patternTable + 4 * i);
        EXPECT_EQ(read16(file, at + 2), 40u);
        size_t packed = read16(file, at);
        ASSERT_LE(at + 8 + packed, file.size());
        EXPECT_EQ(file[at + 8 + packed - 1], 0) << "last row ends with its terminator";
    }
}

TEST(ItWriter, LibopenmptLoadsItWithoutWarningsAndReadsBackEveryCell) {
    ItModule module = richModule();
    std::vector<uint8_t> file = encodeIt(module);
    openmpt_module* mod = openModule(file);
    ASSERT_NE(mod, nullptr);
    EXPECT_EQ(metadata(mod, "type"), "it");
    EXPECT_EQ(metadata(mod, "warnings"), "");
    EXPECT_EQ(openmpt_module_get_num_orders(mod), int(module.orders.size()));
    EXPECT_EQ(openmpt_module_get_num_patterns(mod), 4);
    EXPECT_EQ(openmpt_module_get_num_samples(mod), 2);
    EXPECT_EQ(openmpt_module_get_num_instruments(mod), 0);
    EXPECT_EQ(openmpt_module_get_order_pattern(mod, 2), 1);
    for (int p = 0; p < 4; p++) {
        ASSERT_EQ(openmpt_module_get_pattern_num_rows(mod, p), 40);
        for (int r = 0; r < 40; r++)
            for (int c = 0; c < 4; c++) {
                ItCell cell;
                if (size_t(c) < module.patterns[p].cells[r].size())
                    cell = module.patterns[p].cells[r][c];
                auto get = [&](int what) {
                    return int(openmpt_module_get_pattern_row_channel_command(mod, p, r, c, what));
                };
                // libopenmpt numbers notes from 1 and keeps cut and off at the top.
                int note = cell.note == itNoNote    ? 0
                           : cell.note < 120        ? cell.note + 1
                           : cell.note == itNoteCut ? 254
                                                    : 255;
                ASSERT_EQ(get(OPENMPT_MODULE_COMMAND_NOTE), note) << p << ":" << r << ":" << c;
                ASSERT_EQ(get(OPENMPT_MODULE_COMMAND_INSTRUMENT), cell.sample);
                ASSERT_EQ(get(OPENMPT_MODULE_COMMAND_PARAMETER), cell.param);
                if (cell.volume != itNoVolume) {
                    ASSERT_EQ(get(OPENMPT_MODULE_COMMAND_VOLUME), cell.volume);
                }
                ASSERT_EQ(get(OPENMPT_MODULE_COMMAND_EFFECT) != 0, cell.effect != 0);
            }
    }
    openmpt_module_destroy(mod);
}

TEST(ItWriter, SongLastsItsRowsAndSoundsFromTheFirstFrame) {
    // 4 orders of 32 rows at speed 2, tempo 250: 128 rows of 20 ms.
    std::vector<uint8_t> file = encodeIt(makeTestSong(4, 2, 250));
    openmpt_module* mod = openModule(file);
    ASSERT_NE(mod, nullptr);
    EXPECT_EQ(metadata(mod, "warnings"), "");
    EXPECT_NEAR(openmpt_module_get_duration_seconds(mod), 2.56, 1e-6);
    std::vector<int16_t> pcm(2 * 441);
    ASSERT_EQ(openmpt_module_read_interleaved_stereo(mod, 44100, 441, pcm.data()), 441u);
    int loud = 0;
    for (int16_t s : pcm)
        loud += std::abs(s) > 1000;
    EXPECT_GT(loud, 100) << "the first note sounds at once";
    openmpt_module_destroy(mod);
}

TEST(ItWriter, RefusesWhatTheFormatCannotHold) {
    auto refused = [](void (*spoil)(ItModule&)) {
        ItModule module = makeTestSong(2, 1, 250);
        spoil(module);
        return encodeIt(module).empty();
    };
    EXPECT_FALSE(refused([](ItModule&) {}));
    EXPECT_TRUE(refused([](ItModule& m) { m.orders.clear(); }));
    EXPECT_TRUE(refused([](ItModule& m) { m.orders.assign(256, 0); }));
    EXPECT_TRUE(refused([](ItModule& m) { m.orders.push_back(4); }));
    EXPECT_TRUE(refused([](ItModule& m) { m.patterns[0].rows = 31; }));
    EXPECT_TRUE(refused([](ItModule& m) { m.patterns[0].rows = 201; }));
    EXPECT_TRUE(refused([](ItModule& m) { m.patterns[0].cells[0].resize(3); }));
    EXPECT_TRUE(refused([](ItModule& m) { m.patterns[0].cells[0][0].note = 120; }));
    EXPECT_TRUE(refused([](ItModule& m) { m.patterns[0].cells[0][0].sample = 2; }));
    EXPECT_TRUE(refused([](ItModule& m) { m.patterns[0].cells[0][0].volume = 65; }));
    EXPECT_TRUE(refused([](ItModule& m) { m.samples[0].loopEnd = 4401; }));
    EXPECT_TRUE(refused([](ItModule& m) { m.samples[0].loopStart = 4400; }));
    EXPECT_TRUE(refused([](ItModule& m) { m.initialSpeed = 0; }));
    EXPECT_TRUE(refused([](ItModule& m) { m.channels = 65; }));
}
