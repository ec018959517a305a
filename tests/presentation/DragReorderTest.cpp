#include "presentation/DragReorder.h"

#include "controller/AppCatalogue.h"
#include "support/FakeWorkspace.h"
#include "support/RecordingLaunchServices.h"
#include "support/VirtualScheduler.h"

#include <gtest/gtest.h>

namespace kavora {
namespace {

using Ids = std::vector<std::string>;

// A drag over the registered applications A, B, C, moved by the catalogue's own operation.
struct DragStep {
    enum Kind { Begin, Enter, End } kind;
    std::string id;
};

Ids orderAfter(const std::vector<DragStep>& steps, std::optional<std::string>* draggingAtEnd)
{
    test::VirtualScheduler scheduler;
    test::FakeWorkspace workspace;
    test::RecordingLaunchServices launcher;
    auto catalogue = AppCatalogue::create({ scheduler, workspace, launcher }, {});
    catalogue->restoreRegisteredBundleIds({ "A", "B", "C" });
    DragReorder drag([&](const std::string& from, const std::string& to) {
        catalogue->moveRegisteredApp(from, to);
    });
    for (const auto& step : steps) {
        if (step.kind == DragStep::Begin)
            drag.begin(step.id);
        else if (step.kind == DragStep::Enter)
            drag.enter(step.id);
        else
            drag.end();
    }
    *draggingAtEnd = drag.dragging();
    return catalogue->registeredBundleIds().get();
}

TEST(DragReorder, RowsMoveOntoEachRowEntered)
{
    using enum DragStep::Kind;
    struct Row {
        const char* shows;
        std::vector<DragStep> steps;
        Ids order;
        std::optional<std::string> dragging;
    };
    const Row rows[] = {
        { "first onto last",
          { { Begin, "A" }, { Enter, "C" }, { End, "" } },
          { "B", "C", "A" },
          std::nullopt },
        { "last onto first",
          { { Begin, "C" }, { Enter, "A" }, { End, "" } },
          { "C", "A", "B" },
          std::nullopt },
        { "across every row, once per row",
          { { Begin, "A" }, { Enter, "B" }, { Enter, "C" } },
          { "B", "C", "A" },
          "A" },
        { "there and back",
          { { Begin, "A" }, { Enter, "C" }, { Enter, "B" } },
          { "A", "B", "C" },
          "A" },
        { "entering the dragged row moves nothing",
          { { Begin, "B" }, { Enter, "B" } },
          { "A", "B", "C" },
          "B" },
        { "no drag, no move", { { Enter, "C" } }, { "A", "B", "C" }, std::nullopt },
        { "after the end, entering moves nothing",
          { { Begin, "A" }, { End, "" }, { Enter, "C" } },
          { "A", "B", "C" },
          std::nullopt },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.shows);
        std::optional<std::string> dragging;
        EXPECT_EQ(orderAfter(row.steps, &dragging), row.order);
        EXPECT_EQ(dragging, row.dragging);
    }
}

} // namespace
} // namespace kavora
