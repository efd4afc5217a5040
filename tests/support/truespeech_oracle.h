// ffmpeg as the independent decoder of Truespeech, for the tests and the codec
// quality benchmark: the blocks go into a WAV file of format tag 0x0022 (8000 Hz
// mono, block align 32, no extra bytes), and ffmpeg's samples come back.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

namespace kvtest {

inline bool FfmpegAvailable() {
#ifdef _WIN32
    return std::system("ffmpeg -version > NUL 2>&1") == 0;
#else
    return std::system("ffmpeg -version > /dev/null 2>&1") == 0;
#endif
}

// False when the file cannot be written or ffmpeg fails.
inline bool FfmpegDecodeTrueSpeech(const std::vector<uint8_t>& blocks, std::vector<int16_t>* out) {
    auto le = [](std::string& s, uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) s += char(v >> (8 * i));
    };
    const uint32_t size = uint32_t(blocks.size());
    std::string wav = "RIFF";
    le(wav, 4 + 8 + 18 + 8 + size, 4);
    wav += "WAVEfmt ";
    le(wav, 18, 4);
    for (uint32_t v : {0x22u, 1u}) le(wav, v, 2);
    for (uint32_t v : {8000u, 1067u}) le(wav, v, 4);
    for (uint32_t v : {32u, 1u, 0u}) le(wav, v, 2);
    wav += "data";
    le(wav, size, 4);
    wav.append(blocks.begin(), blocks.end());

    const char* tmp = std::getenv("TMPDIR");
#ifdef _WIN32
    const char* dir = tmp ? tmp : std::getenv("TEMP") ? std::getenv("TEMP") : ".";
    const int pid = _getpid();
#else
    const char* dir = tmp ? tmp : "/tmp";
    const int pid = int(::getpid());
#endif
    const std::string base = std::string(dir) + "/kv_truespeech_oracle_" + std::to_string(pid);
    const std::string in = base + ".wav", raw = base + ".raw";
    out->clear();
    FILE* f = std::fopen(in.c_str(), "wb");
    if (!f) return false;
    const bool written = std::fwrite(wav.data(), 1, wav.size(), f) == wav.size();
    std::fclose(f);
    const int rc =
        written ? std::system(("ffmpeg -v error -y -i \"" + in + "\" -f s16le -acodec pcm_s16le \"" + raw + "\"").c_str())
                : -1;
    f = rc == 0 ? std::fopen(raw.c_str(), "rb") : nullptr;
    if (f) {
        uint8_t two[2];
        while (std::fread(two, 1, 2, f) == 2) out->push_back(int16_t(uint16_t(two[0] | two[1] << 8)));
        std::fclose(f);
    }
    std::remove(in.c_str());
    std::remove(raw.c_str());
    return rc == 0 && f;
}

}  // namespace kvtest
