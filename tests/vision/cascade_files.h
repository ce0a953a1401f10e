#pragma once
// Helpers for the cascade loader's tests: files written on the fly and loads whose diagnostic
// trail is captured.

#include "vision/diagnostics.h"
#include "vision/haar_cascade.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <sstream>
#include <string>
#include <system_error>

#include <unistd.h>

struct LoadResult {
    std::unique_ptr<HaarCascade> cascade;
    std::string trail;  // every diagnostic line the load wrote
};

inline LoadResult loadCapturing(const std::wstring& path)
{
    std::ostringstream trail;
    setDiagnosticsStream(&trail);
    LoadResult result{loadHaarCascade(path), {}};
    setDiagnosticsStream(&std::cout);
    result.trail = trail.str();
    return result;
}

inline std::wstring widen(const std::string& ascii)
{
    return std::wstring(ascii.begin(), ascii.end());
}

// The test process's own scratch folder, made on first use and removed with all it holds when
// the process ends, so that runs leave nothing behind.
inline const std::string& scratchFolder()
{
    struct Folder {
        std::string path;
        bool made = false;
        Folder()
        {
            std::string pattern = testing::TempDir() + "velmora-XXXXXX";
            made = ::mkdtemp(pattern.data()) != nullptr;
            path = made ? pattern + "/" : testing::TempDir();
        }
        ~Folder()
        {
            std::error_code ignored;
            if (made)
                std::filesystem::remove_all(path, ignored);
        }
    };
    static const Folder folder;
    return folder.path;
}

// A fresh path in the test's scratch folder; name may hold any characters.
inline std::wstring scratchPath(const std::wstring& name)
{
    return widen(scratchFolder()) + L"velmora-" + widen(std::to_string(::getpid())) + L"-" + name;
}

inline std::wstring writeScratchFile(const std::wstring& name, const std::string& bytes)
{
    std::wstring path = scratchPath(name);
    std::ofstream(toUtf8(path), std::ios::binary) << bytes;
    return path;
}

inline int occurrences(const std::string& text, const std::string& part)
{
    int count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size()))
        ++count;
    return count;
}
