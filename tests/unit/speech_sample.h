// The repository's speech recording (tests/data/speech8k.wav) as samples.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/file/wav_file_devices.h"

#ifndef KV_TEST_DATA_DIR
#error "KV_TEST_DATA_DIR must name tests/data"
#endif

inline std::vector<int16_t> SpeechSample() {
    std::vector<int16_t> samples;
    std::string error;
    EXPECT_TRUE(kv::ReadPcm8kMonoWav(KV_TEST_DATA_DIR "/speech8k.wav", &samples, &error)) << error;
    return samples;
}
