#include "vision/haar_cascade.h"

#include "vision/cascade_document.h"
#include "vision/diagnostics.h"
#include "vision/regular_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// The longest first line the loader reports, in characters.
constexpr std::size_t maxFirstLine = 199;

// One character of UTF-8 text; a malformed sequence reads as U+FFFD. False at the end of the
// file or on a read error.
bool readUtf8Char(std::FILE* file, wchar_t& character)
{
    int lead = std::getc(file);
    if (lead == EOF)
        return false;
    int extra = 0;
    unsigned long code = 0;
    unsigned long smallest = 0;
    if (lead < 0x80) {
        character = wchar_t(lead);
        return true;
    }
    if ((lead & 0xE0) == 0xC0) {
        extra = 1, code = lead & 0x1F, smallest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2, code = lead & 0x0F, smallest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3, code = lead & 0x07, smallest = 0x10000;
    } else {
        character = 0xFFFD;
        return true;
    }
    for (int i = 0; i < extra; ++i) {
        int next = std::getc(file);
        if (next == EOF || (next & 0xC0) != 0x80) {
            if (next != EOF)
                std::ungetc(next, file);
            character = 0xFFFD;
            return true;
        }
        code = (code << 6) | (next & 0x3F);
    }
    bool valid = code >= smallest && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF);
    character = valid ? wchar_t(code) : wchar_t(0xFFFD);
    return true;
}

// The file's first line with its line end, at most maxFirstLine characters; false when nothing
// could be read (an empty file) or reading failed.
bool readFirstLine(std::FILE* file, std::wstring& line)
{
    wchar_t character = 0;
    while (line.size() < maxFirstLine && readUtf8Char(file, character)) {
        line += character;
        if (character == L'\n')
            break;
    }
    return !line.empty() && !std::ferror(file);
}

}  // namespace

std::unique_ptr<HaarCascade> createHaarCascade(int stageCount)
{
    if (stageCount <= 0) {
        diagnostics() << "stage cout is negative and should be positive" << std::endl;
        return nullptr;
    }
    auto cascade = std::make_unique<HaarCascade>();
    cascade->signature = HaarCascade::validSignature;
    cascade->count = stageCount;
    cascade->stages.resize(stageCount);
    return cascade;
}

std::unique_ptr<HaarCascade> loadHaarCascade(const std::wstring& path, std::string* fileRefusal)
{
    RegularFile opened = openRegularFile(toUtf8(path), maxCascadeFileBytes);
    if (!opened.refusal.empty()) {
        diagnostics() << "cascade refused: " << toUtf8(path) << ": " << opened.refusal << std::endl;
        if (fileRefusal)
            *fileRefusal = opened.refusal;
        return nullptr;
    }
    errno = opened.openError;
    File file;
    if (opened.accepted()) {
        errno = 0;
        file.reset(::fdopen(opened.descriptor, "r"));
        if (file)
            opened.release();
    }
    if (!file) {
        const char* error = std::strerror(errno);
        diagnostics() << "failed to open file " << toUtf8(path) << " errno is " << error
                      << std::endl;
        return nullptr;
    }
    diagnostics() << " error after fopen is " << std::strerror(errno) << std::endl;

    std::wstring firstLine;
    if (!readFirstLine(file.get(), firstLine)) {
        const char* error = std::strerror(errno);
        diagnostics() << "failed to read from file " << toUtf8(path) << " errno is " << error
                      << std::endl;
        return nullptr;
    }
    diagnostics() << " read data from file " << toUtf8(firstLine) << std::endl;

    return cascadeFromFile(file.get());
}

FaceDetector::FaceDetector(const std::wstring& path) : cascade(loadHaarCascade(path)) {}

FaceDetector copyFaceDetector(const FaceDetector& detector)
{
    FaceDetector copy;
    if (!detector.cascade)
        return copy;
    const HaarCascade& original = *detector.cascade;
    copy.cascade = std::make_unique<HaarCascade>();
    HaarCascade& cascade = *copy.cascade;
    cascade.signature = original.signature;
    cascade.count = original.count;
    cascade.origWindowSize = original.origWindowSize;
    cascade.realWindowSize = original.realWindowSize;
    cascade.scale = original.scale;
    cascade.stages = original.stages;
    return copy;
}
