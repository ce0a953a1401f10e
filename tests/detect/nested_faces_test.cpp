#include "detect/nested_faces.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

namespace {

struct NestedCase {
    const char* what;
    std::vector<FaceRect> faces;
    std::vector<FaceRect> kept;
};

const FaceRect outer{100, 100, 60, 60, 3};
const FaceRect inner{110, 110, 40, 40, 5};

class DropNestedFaces : public ::testing::TestWithParam<NestedCase> {};

TEST_P(DropNestedFaces, KeepsTheInnermostBoxOfEachFace)
{
    EXPECT_EQ(dropNestedFaces(GetParam().faces), GetParam().kept);
}

INSTANTIATE_TEST_SUITE_P(
    HandMadeLists, DropNestedFaces,
    ::testing::Values(
        NestedCase{"empty", {}, {}}, NestedCase{"one face", {outer}, {outer}},
        NestedCase{"inner after outer", {outer, inner}, {inner}},
        NestedCase{"inner before outer", {inner, outer}, {inner}},
        // The rule looks at the boxes only: the outer one goes whatever its neighbours.
        NestedCase{"outer better supported", {{100, 100, 60, 60, 9}, inner}, {inner}},
        NestedCase{"equal boxes stay", {outer, outer}, {outer, outer}},
        NestedCase{"equal boxes, other neighbours",
                   {outer, {100, 100, 60, 60, 7}},
                   {outer, {100, 100, 60, 60, 7}}},
        // Touching edges still count as inside.
        NestedCase{
            "shares the top-left corner", {outer, {100, 100, 30, 30, 2}}, {{100, 100, 30, 30, 2}}},
        NestedCase{"shares the bottom-right corner",
                   {outer, {130, 130, 30, 30, 2}},
                   {{130, 130, 30, 30, 2}}},
        NestedCase{"one column outside on the left",
                   {outer, {99, 110, 30, 30, 2}},
                   {outer, {99, 110, 30, 30, 2}}},
        NestedCase{"one row outside at the top",
                   {outer, {110, 99, 30, 30, 2}},
                   {outer, {110, 99, 30, 30, 2}}},
        NestedCase{"one column outside on the right",
                   {outer, {131, 110, 30, 30, 2}},
                   {outer, {131, 110, 30, 30, 2}}},
        NestedCase{"one row outside at the bottom",
                   {outer, {110, 131, 30, 30, 2}},
                   {outer, {110, 131, 30, 30, 2}}},
        NestedCase{
            "partly overlapping", {outer, {140, 140, 60, 60, 4}}, {outer, {140, 140, 60, 60, 4}}},
        NestedCase{"apart", {outer, {300, 40, 30, 30, 2}}, {outer, {300, 40, 30, 30, 2}}},
        // Equal width but taller: the width decides, so neither goes.
        NestedCase{"same width, taller",
                   {{100, 100, 40, 60, 2}, {100, 110, 40, 40, 2}},
                   {{100, 100, 40, 60, 2}, {100, 110, 40, 40, 2}}},
        NestedCase{"chain of three", {{90, 90, 80, 80, 2}, outer, inner}, {inner}},
        NestedCase{"chain of three, innermost first", {inner, {90, 90, 80, 80, 2}, outer}, {inner}},
        NestedCase{"order kept around a pair",
                   {{300, 40, 30, 30, 2}, outer, {10, 10, 20, 20, 2}, inner, {500, 5, 9, 9, 2}},
                   {{300, 40, 30, 30, 2}, {10, 10, 20, 20, 2}, inner, {500, 5, 9, 9, 2}}},
        // Two faces inside one big box: the box goes, both faces stay.
        NestedCase{"two inside one",
                   {{0, 0, 200, 200, 2}, {10, 10, 30, 30, 2}, {100, 100, 30, 30, 2}},
                   {{10, 10, 30, 30, 2}, {100, 100, 30, 30, 2}}}),
    [](const ::testing::TestParamInfo<NestedCase>& info) {
        std::string name = info.param.what;
        for (char& c : name)
            if (!std::isalnum(static_cast<unsigned char>(c)))
                c = '_';
        return name;
    });

TEST(HoldsNestedFace, FarEdgesDoNotOverflow)
{
    const FaceRect wide{2000000000, 0, 2000000000, 10, 2};
    EXPECT_TRUE(holdsNestedFace(wide, {2000000000, 0, 1999999999, 10, 2}));
    EXPECT_FALSE(holdsNestedFace({0, 0, 10, 10, 2}, wide));
}

}  // namespace
