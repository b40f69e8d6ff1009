// The main window's rules as tables: status panel widths, the fields each
// connection kind uses, and anchored placement.
#include <gtest/gtest.h>

#include "app/Anchors.h"
#include "app/ConnectionKind.h"
#include "app/StatusPanels.h"

namespace brevant {
namespace {

TEST(Rules, StatusPanelWidth) {
    struct Case {
        int outerWidth, panel;
    };
    for (const Case& c : {Case{940, 300}, Case{1000, 320}, Case{1001, 320}, Case{1002, 320}, Case{1003, 321}}) {
        SCOPED_TRACE(c.outerWidth);
        EXPECT_EQ(StatusPanelWidth(c.outerWidth), c.panel);
    }
}

TEST(Rules, ConnectionKindFields) {
    // Only the three kinds change the boxes; the data folder box is never on without
    // the server box (the embedded kind uses both).
    for (int kind = -5; kind <= 10; ++kind) {
        SCOPED_TRACE(kind);
        auto states = KindFieldStates(kind);
        ASSERT_EQ(states.has_value(), kind >= ckMySQL && kind <= ckAccess);
        if (states && states->dataDir) EXPECT_TRUE(states->server);
    }
    // Rows as the window is designed: the embedded kind enables both, Access neither.
    EXPECT_TRUE(KindFieldStates(ckMySQLEmbedded)->dataDir);
    EXPECT_FALSE(KindFieldStates(ckAccess)->server);
    EXPECT_FALSE(KindFieldStates(ckMySQL)->dataDir);
}

TEST(Rules, Anchors) {
    const QSize design(924, 506), larger(1024, 606), smaller(600, 300);
    struct Case {
        const char* name;
        QRect rect;
        unsigned anchors;
        QSize client;
        QRect expected;
    };
    const Case cases[] = {
        {"left and top stay", {16, 81, 436, 94}, akLeftTop, larger, {16, 81, 436, 94}},
        {"left, top and right stretch", {501, 81, 372, 94}, akLeft | akTop | akRight, larger, {501, 81, 472, 94}},
        {"top and right move", {879, 215, 23, 22}, akTop | akRight, larger, {979, 215, 23, 22}},
        {"all four sides stretch", {8, 216, 865, 272}, akAll, larger, {8, 216, 965, 372}},
        {"all four sides shrink", {8, 216, 865, 272}, akAll, QSize(900, 331), {8, 216, 841, 97}},
        {"sizes stop at zero", {8, 216, 865, 272}, akAll, smaller, {8, 216, 541, 66}},
        {"sizes stop at zero when far too small", {501, 81, 372, 94}, akLeft | akTop | akRight, QSize(100, 100),
         {501, 81, 0, 94}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(AnchoredRect(c.rect, c.anchors, design, c.client), c.expected);
    }
}

}  // namespace
}  // namespace brevant
