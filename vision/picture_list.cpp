#include "vision/picture_list.h"

#include "vision/regular_file.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <set>
#include <system_error>

namespace fs = std::filesystem;

namespace {

const char notRegularFileProblem[] = "not a regular file, not read";

struct Listing {
    bool recursive = false;
    std::set<fs::path> listed;     // canonical folders already listed for this argument
    std::set<fs::path> ancestors;  // canonical folders of the current descent
    std::vector<ListedEntry> entries;
};

void report(Listing& listing, std::string path, std::string problem)
{
    listing.entries.push_back({std::move(path), std::move(problem)});
}

std::string joined(const std::string& folder, const std::string& name)
{
    if (!folder.empty() && folder.back() == '/')
        return folder + name;
    return folder + '/' + name;
}

bool isLinkLoop(const std::error_code& error)
{
    return error == std::errc::too_many_symbolic_link_levels;
}

void listFolder(Listing& listing, const std::string& folder);

// A folder met while listing: entered unless it is already being listed further up (a link
// loop, reported) or was listed before through another link (skipped: its pictures are in the
// list already), so that no walk goes on forever or lists a folder twice.
void enterFolder(Listing& listing, const std::string& path)
{
    std::error_code error;
    const fs::path canonical = fs::canonical(path, error);
    if (error) {
        report(listing, path, "cannot read folder: " + error.message());
        return;
    }
    if (listing.ancestors.count(canonical)) {
        report(listing, path, "link loop, not followed");
        return;
    }
    if (!listing.listed.insert(canonical).second)
        return;
    listing.ancestors.insert(canonical);
    listFolder(listing, path);
    listing.ancestors.erase(canonical);
}

void listEntry(Listing& listing, const std::string& path, const std::string& name)
{
    std::error_code error;
    const fs::file_status own = fs::symlink_status(path, error);
    if (error) {
        report(listing, path, "cannot examine entry: " + error.message());
        return;
    }
    fs::file_status target = own;
    if (fs::is_symlink(own)) {
        target = fs::status(path, error);
        if (error == std::errc::no_such_file_or_directory) {
            report(listing, path, "broken link");
            return;
        }
        if (isLinkLoop(error)) {
            report(listing, path, "link loop, not followed");
            return;
        }
        if (error) {
            report(listing, path, "cannot follow link: " + error.message());
            return;
        }
    }
    if (fs::is_directory(target)) {
        if (listing.recursive)
            enterFolder(listing, path);
        return;
    }
    if (!hasImageExtension(name))
        return;
    // A pipe or a device named like a picture could keep a reader waiting for ever.
    if (!fs::is_regular_file(target)) {
        report(listing, path, notRegularFileProblem);
        return;
    }
    listing.entries.push_back({path, {}});
}

void listFolder(Listing& listing, const std::string& folder)
{
    std::error_code error;
    std::vector<std::string> names;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        names.push_back(it->path().filename().string());
    if (error) {
        report(listing, folder, "cannot read folder: " + error.message());
        return;
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names)
        listEntry(listing, joined(folder, name), name);
}

}  // namespace

bool hasImageExtension(std::string_view name)
{
    const auto dot = name.rfind('.');
    if (dot == std::string_view::npos)
        return false;
    std::string extension(name.substr(dot + 1));
    for (char& c : extension)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return extension == "png" || extension == "jpg" || extension == "jpeg" || extension == "bmp";
}

std::vector<ListedEntry> listPictures(const std::vector<std::string>& arguments, bool recursive)
{
    Listing listing;
    listing.recursive = recursive;
    for (const std::string& argument : arguments) {
        // Anything but a folder is a picture as given, missing files included: the reader says
        // what is wrong with it. A pipe or device is refused as it is in a folder.
        std::error_code error;
        if (!fs::is_directory(argument, error)) {
            if (existsButIsNotRegularFile(argument))
                report(listing, argument, notRegularFileProblem);
            else
                listing.entries.push_back({argument, {}});
            continue;
        }
        listing.listed.clear();
        enterFolder(listing, argument);
    }
    return std::move(listing.entries);
}

std::vector<std::string> entryPaths(const std::vector<ListedEntry>& entries)
{
    std::vector<std::string> paths;
    paths.reserve(entries.size());
    for (const ListedEntry& entry : entries)
        paths.push_back(entry.path);
    return paths;
}
