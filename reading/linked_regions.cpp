#include "reading/linked_regions.h"

#include <algorithm>
#include <numeric>

// The links join each qualifying pixel (x, y) with x < W - 1 and y < H - 1 to its qualifying
// right, lower and lower-right neighbours. So in every row but the last, a run of two or more
// qualifying pixels is linked from end to end; the pixels of a run that have links of their own
// (those left of the last column) reach the columns first .. min(last, W - 2) + 1 of the row
// below; and the last row has no links along it. A run of one pixel with no link to or from the
// rows around it belongs to no region.

namespace {

using Run = LinkedRegions::Run;

void appendRuns(const unsigned char* row, int y, int W, bool nonZero, bool oneEach,
                std::vector<Run>& runs)
{
    int x = 0;
    while (x < W) {
        if ((row[x] != 0) != nonZero) {
            ++x;
            continue;
        }
        const int first = x;
        while (!oneEach && x + 1 < W && (row[x + 1] != 0) == nonZero)
            ++x;
        runs.push_back(Run{y, first, x, -1});
        ++x;
    }
}

int root(std::vector<int>& parent, int i)
{
    while (parent[i] != i) {
        parent[i] = parent[parent[i]];
        i = parent[i];
    }
    return i;
}

}  // namespace

LinkedRegions linkedRegions(const ImageBuffer& mask, bool nonZeroQualifies)
{
    const int W = mask.width, H = mask.height;
    LinkedRegions out;
    std::vector<Run>& runs = out.runs;
    std::vector<std::size_t> rowStart(std::size_t(std::max(H, 0)) + 1, 0);
    for (int y = 0; y < H; ++y) {
        rowStart[y] = runs.size();
        appendRuns(mask.data + std::size_t(y) * W, y, W, nonZeroQualifies, y == H - 1, runs);
    }
    rowStart[std::max(H, 0)] = runs.size();

    std::vector<int> parent(runs.size());
    std::iota(parent.begin(), parent.end(), 0);
    std::vector<unsigned char> linked(runs.size(), 0);
    for (int y = 0; y + 1 < H; ++y) {
        for (std::size_t i = rowStart[y]; i < rowStart[y + 1]; ++i) {
            if (runs[i].last > runs[i].first)
                linked[i] = 1;
        }
        // Sweep the runs of this row and the next together, by column.
        std::size_t i = rowStart[y], j = rowStart[y + 1];
        while (i < rowStart[y + 1] && j < rowStart[y + 2]) {
            const Run& upper = runs[i];
            if (upper.first > W - 2) {  // a pixel of the last column alone: no links of its own
                ++i;
                continue;
            }
            const int reachEnd = std::min(upper.last, W - 2) + 1;
            const Run& lower = runs[j];
            if (lower.last < upper.first) {
                ++j;
            } else if (reachEnd < lower.first) {
                ++i;
            } else {
                linked[i] = linked[j] = 1;
                parent[root(parent, int(i))] = root(parent, int(j));
                if (reachEnd < lower.last)
                    ++i;
                else
                    ++j;
            }
        }
    }

    // Regions in the order of their first linked run, which holds their first pixel.
    std::vector<int> regionOfRoot(runs.size(), -1);
    for (std::size_t i = 0; i < runs.size(); ++i) {
        if (!linked[i])
            continue;
        int& region = regionOfRoot[root(parent, int(i))];
        if (region < 0) {
            region = int(out.sizes.size());
            out.sizes.push_back(0);
        }
        runs[i].region = region;
        out.sizes[region] += runs[i].last - runs[i].first + 1;
    }
    return out;
}
