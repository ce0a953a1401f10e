#include "vision/stage_links.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace {

// The walk moves between two kinds of places: evaluating stage s, and climbing at stage s after
// a failure below it. Places 0 to n - 1 evaluate, n to 2n - 1 climb; -1 is the walk's end.
struct Walk {
    const std::vector<HaarStage>& stages;
    int n;

    int evaluate(int s) const { return s; }
    int climb(int s) const { return n + s; }

    // Where the walk may go from a place: at most two ways, -1 for none.
    std::pair<int, int> successors(int place) const
    {
        if (place < n) {
            const HaarStage& stage = stages[place];
            return {stage.child >= 0 ? evaluate(stage.child) : -1, climb(place)};
        }
        const HaarStage& stage = stages[place - n];
        if (stage.next >= 0)
            return {evaluate(stage.next), -1};
        return {stage.parent >= 0 ? climb(stage.parent) : -1, -1};
    }
};

}  // namespace

int findStageLoop(const HaarCascade& cascade)
{
    const std::vector<HaarStage>& stages = cascade.stages;
    bool isTree =
        std::any_of(stages.begin(), stages.end(), [](const HaarStage& s) { return s.next >= 0; });
    if (!isTree || stages.empty())
        return -1;

    // Depth-first search for a cycle, without recursion: a cascade may have many stages.
    Walk walk{stages, int(stages.size())};
    enum Mark : unsigned char { unseen, onPath, done };
    std::vector<Mark> marks(2 * stages.size(), unseen);
    std::vector<std::pair<int, int>> path;  // place, ways already taken
    path.push_back({walk.evaluate(0), 0});
    marks[walk.evaluate(0)] = onPath;
    while (!path.empty()) {
        auto& [place, taken] = path.back();
        std::pair<int, int> ways = walk.successors(place);
        int to = taken == 0 ? ways.first : taken == 1 ? ways.second : -1;
        if (taken == 2) {
            marks[place] = done;
            path.pop_back();
            continue;
        }
        ++taken;
        if (to < 0 || marks[to] == done)
            continue;
        if (marks[to] == onPath)
            return to % walk.n;
        marks[to] = onPath;
        path.push_back({to, 0});
    }
    return -1;
}
