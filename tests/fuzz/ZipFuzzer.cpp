// SPDX-License-Identifier: MIT
// Arbitrary bytes as a ZIP archive: extraction must neither crash nor hang nor write anywhere but
// its target folder. The same bytes also go straight into the shrink and implode decoders.

#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "engine/TImplodeDecoder.h"
#include "engine/TShrinkDecoder.h"
#include "engine/TZipBitReader.h"
#include "engine/TZipExtractor.h"
#include "engine/TZipSink.h"

#include "FuzzSupport.h"

namespace fs = std::filesystem;

namespace {

void ExtractArchive(const uint8_t* data, size_t size)
{
    const std::string work = fuzz::Root("zipfuzz") + "/work";
    const std::string target = work + "/target";
    const std::string archive = work + "/archive.zip";
    std::error_code error;
    fs::remove_all(work, error);
    fs::create_directories(target);
    {
        std::ofstream out(archive, std::ios::binary);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }

    TZipExtractor zip;
    zip.ZipFileName = archive;
    zip.TargetDirectory = target;
    zip.DontRecurse = (size & 1) == 0;
    // Small limits keep each run quick; a stop after a number of checks that the input chooses
    // runs the stop path through every decoder.
    zip.Limits = {.MemberSize = 1 << 20, .Ratio = 100, .RatioFreeSize = 64 << 10, .ArchiveTotal = 4 << 20};
    unsigned checks = 0;
    const unsigned stopAfter = size > 0 && (data[size - 1] & 0x80) != 0 ? data[size - 1] & 0x3F : ~0u;
    zip.StopRequested = [&] { return ++checks > stopAfter; };
    zip.MemberSkipped = [](const std::string&, const std::string& reason) {
        if (reason.empty())
            abort();
    };
    zip.Extract();

    // Nothing may appear beside the target folder.
    for (const auto& item : fs::directory_iterator(work)) {
        const std::string name = item.path().filename().string();
        if (name != "target" && name != "archive.zip") {
            fprintf(stderr, "extraction wrote outside its target: %s\n", item.path().c_str());
            abort();
        }
    }
    fs::remove_all(work, error);
}

void DecodeRaw(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    constexpr uint64_t OutputSize = 1 << 18;
    TZipSink sink([](const char*, std::size_t) { return true; });
    {
        TZipBitReader input(bytes);
        static TShrinkDecoder shrink;
        shrink.Decode(input, OutputSize, sink);
    }
    if (size > 0) {
        TZipBitReader input(bytes.substr(1));
        TImplodeDecoder::FromFlags(data[0]).Decode(input, OutputSize, sink);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ExtractArchive(data, size);
    DecodeRaw(data, size);
    return 0;
}
