// Project management on the open document (select, new, delete, rename with the current
// selection) and the shortening of paths for display.

#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/errors.h"
#include "base/recording_port.h"
#include "database/datapacket.h"
#include "database/projects.h"
#include "database/record_helpers.h"
#include "database/references.h"
#include "docgen.h"
#include "support/repo_data.h"
#include "support/test_support.h"

namespace gvm::db {
namespace {

namespace fs = std::filesystem;

using test::RepoData;

Value I(std::int64_t v) { return Value{v}; }

// The demo database, its counter at 700 unless a test needs another, opened from a file of
// its own.
class ProjectsTest : public ::testing::Test {
protected:
    explicit ProjectsTest(std::int32_t counter = 700) {
        auto store = tools::BuildDemoDocument();
        Cursor root("InfoDBCDS");
        root.Attach(store);
        root.First();
        root.Edit();
        root.FieldByName("MaxAutoInc").SetInteger(counter);
        root.Post();
        original = DataPacketText(*store);
        test::WriteBytes(file, original);
        main.SetSaveOnDestroy(false);
        if (main.OpenCDS(main.InfoDBCDS, file, false) != 0) throw std::runtime_error("demo does not open");
        demo = ProjectId("Demo");
    }

    std::int64_t ProjectId(const char* name) {
        const Record* rec = FindTopLevel(*main.InfoDBCDS.GetStore(), "Projekten", "ProjektName", Value{name});
        if (!rec) throw std::runtime_error(std::string("no project ") + name);
        const int id = main.ProjektCDS.Def()->IndexOf("ID_Projekt");
        return std::get<std::int64_t>(rec->values[static_cast<std::size_t>(id)]);
    }
    std::int64_t AddProject(const char* name) {
        return AppendRecord(main.ProjektCDS, [this] { return main.GetNextAutoIncValue(); }, {{"ProjektName", name}});
    }
    std::int64_t CursorProject() { return main.ProjektCDS.FieldByName("ID_Projekt").AsInteger(); }

    struct Selection {
        std::int64_t project;
        std::string name;
        std::int64_t fall;
        bool operator==(const Selection&) const = default;
        friend std::ostream& operator<<(std::ostream& os, const Selection& s) {
            return os << "{" << s.project << ", \"" << s.name << "\", " << s.fall << "}";
        }
    };
    Selection Current() const { return {current.ProjektID, current.ProjektName, current.SimFallID}; }
    void SetCurrent(std::int64_t project, const char* name, std::int64_t fall) {
        current.SetProject(project, name);
        current.SimFallID = fall;
    }

    test::TempDir dir;
    fs::path file = dir / "demo.gvm";
    std::string original;
    RecordingPort port;
    TGravimontDataModule main{port, RepoData()};
    TCurrentSelection current;
    ProjectManager projects{main, current};
    std::int64_t demo = 0;
};

TEST_F(ProjectsTest, SelectMakesTheChosenProjectCurrentWithoutACase) {
    const std::int64_t alpha = AddProject("Alpha");
    const struct {
        const char* what;
        std::optional<std::int64_t> chosen;
        Selection after;
    } cases[] = {
        {"demo chosen", demo, {demo, "Demo", -1}},
        {"alpha chosen", alpha, {alpha, "Alpha", -1}},
        {"empty grid", std::nullopt, {99, "Vorher", 5}},
    };
    for (const auto& c : cases) {
        SetCurrent(99, "Vorher", 5);
        EXPECT_TRUE(projects.Select(c.chosen)) << c.what;
        EXPECT_EQ(Current(), c.after) << c.what;
    }
    EXPECT_TRUE(port.messages().empty());
}

TEST_F(ProjectsTest, NewProjectNeedsANameThatFits) {
    const struct {
        std::string name;
        const char* error;  // exact text, or null for any error
    } cases[] = {{"", "Kein Name"}, {"Dreizehn-Zchn", nullptr}, {"Überführungen", nullptr}};
    SetCurrent(demo, "Demo", 5);
    for (const auto& c : cases) {
        port.Clear();
        EXPECT_FALSE(projects.New(c.name)) << c.name;
        ASSERT_EQ(port.messages().size(), 1u) << c.name;
        EXPECT_EQ(port.messages()[0].kind, MsgKind::Error) << c.name;
        if (c.error) {
            EXPECT_EQ(port.messages()[0].text, c.error);
        }
    }
    EXPECT_EQ(main.ProjektCDS.RecordCount(), 1);
    EXPECT_EQ(main.AutoIncValue(), 700);
    EXPECT_EQ(Current(), (Selection{demo, "Demo", 5}));
    EXPECT_EQ(test::ReadBytes(file), original);
}

TEST_F(ProjectsTest, NewProjectTakesTheNextIdentifierIsSavedAndBecomesCurrent) {
    // Twelve characters, fourteen bytes: the limit counts characters.
    const std::string name = "Überführung1";
    SetCurrent(demo, "Demo", 5);
    ASSERT_TRUE(projects.New(name)) << testing::PrintToString(port.texts());
    EXPECT_TRUE(port.messages().empty());
    EXPECT_EQ(Current(), (Selection{701, name, -1}));
    EXPECT_EQ(CursorProject(), 701);
    EXPECT_EQ(test::ReadBytes(dir / "demo.bak"), original);

    RecordingPort other;
    TGravimontDataModule reopened(other, RepoData());
    reopened.SetSaveOnDestroy(false);
    ASSERT_EQ(reopened.OpenCDS(reopened.InfoDBCDS, file, false), 0);
    ASSERT_TRUE(reopened.ProjektCDS.Locate("ID_Projekt", I(701)));
    EXPECT_EQ(reopened.ProjektCDS.FieldByName("ProjektName").AsString(), name);
    EXPECT_EQ(reopened.GetNextAutoIncValue(), 702);
}

class ProjectsOnExhaustedCounterTest : public ProjectsTest {
protected:
    ProjectsOnExhaustedCounterTest() : ProjectsTest(std::numeric_limits<std::int32_t>::max()) {}
};

TEST_F(ProjectsOnExhaustedCounterTest, NewProjectIsRefusedWithoutAHalfMadeRecord) {
    SetCurrent(demo, "Demo", 5);
    EXPECT_THROW(projects.New("Neu"), EDatabaseError);
    EXPECT_EQ(main.ProjektCDS.State(), DsState::Browse);
    main.ProjektCDS.First();  // would post a record still being inserted
    EXPECT_EQ(main.ProjektCDS.RecordCount(), 1);
    EXPECT_EQ(Current(), (Selection{demo, "Demo", 5}));
    EXPECT_EQ(test::ReadBytes(file), original);
}

TEST_F(ProjectsTest, DeleteAsksAndNoChangesNothing) {
    const std::int64_t alpha = AddProject("Alpha");
    SetCurrent(alpha, "Alpha", 5);
    main.ProjektCDS.Locate("ID_Projekt", I(alpha));
    const std::string before = DataPacketText(*main.InfoDBCDS.GetStore());
    port.Script(MsgAnswer::No);
    EXPECT_FALSE(projects.Delete(demo));
    ASSERT_EQ(port.messages().size(), 1u);
    EXPECT_EQ(port.messages()[0].kind, MsgKind::Confirmation);
    EXPECT_EQ(port.messages()[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(port.messages()[0].text, "Möchten Sie wirklich das Projekt Demo löschen?");
    EXPECT_EQ(DataPacketText(*main.InfoDBCDS.GetStore()), before);
    EXPECT_EQ(Current(), (Selection{alpha, "Alpha", 5}));
    EXPECT_EQ(CursorProject(), alpha);
}

// One record of each kind below the demo project, by table, identifier field and value.
struct Held {
    std::string table, field;
    Value id;
};

class ProjectDeleteTest : public ProjectsTest {
protected:
    ProjectDeleteTest() {
        alpha = AddProject("Alpha");
        AppendRecord(main.cds.GleisCDS, [this] { return main.GetNextAutoIncValue(); }, {{"Name", "ALPHA-1"}});
        zweit = AddProject("Zweit");
        main.ProjektCDS.Locate("ID_Projekt", I(demo));
        main.cds.SimulationsFallCDS.First();
        AppendRecord(main.cds.SimFallResultCDS, [this] { return main.GetNextAutoIncValue(); }, {});
        auto& c = main.cds;
        for (Cursor* cursor : {&c.NeigungCDS, &c.NeigAbschCDS, &c.BremsenCDS, &c.BremsAbschCDS, &c.GleisCDS,
                               &c.SimulationsFallCDS, &c.SimFallResultCDS, &c.BogenAbschCDS}) {
            const TableDef& def = *cursor->Def();
            for (int i = 0; i < def.FieldCount(); ++i)
                if (def.Field(i).kind == FieldKind::AutoInc)
                    held.push_back({def.name, def.Field(i).name, cursor->Fields(i).AsVariant()});
        }
    }
    void ExpectDemoGone() {
        EXPECT_FALSE(main.ProjektCDS.Locate("ID_Projekt", I(demo)));
        const Store& store = *main.InfoDBCDS.GetStore();
        for (const auto& h : held)
            EXPECT_FALSE(StoreRefers(store, h.table, {h.field}, h.id)) << h.table << " " << ValueText(h.id);
        // The other projects keep what they hold.
        EXPECT_TRUE(main.ProjektCDS.Locate("ID_Projekt", I(zweit)));
        ASSERT_TRUE(main.ProjektCDS.Locate("ID_Projekt", I(alpha)));
        EXPECT_EQ(main.cds.GleisCDS.RecordCount(), 1);
    }

    std::int64_t alpha = 0, zweit = 0;
    std::vector<Held> held;
};

TEST_F(ProjectDeleteTest, DeletingTheCurrentProjectClearsTheProjectAndTheCase) {
    ASSERT_EQ(held.size(), 8u);
    SetCurrent(demo, "Demo", 5);
    port.Script(MsgAnswer::Yes);
    EXPECT_TRUE(projects.Delete(demo));
    EXPECT_EQ(Current(), (Selection{-1, "", -1}));
    ExpectDemoGone();
}

TEST_F(ProjectDeleteTest, DeletingAnotherProjectKeepsTheCurrentOneAndTheCursorOnIt) {
    // Alpha sorts first: the cursor would fall onto Zweit after Demo goes.
    SetCurrent(alpha, "Alpha", 5);
    port.Script(MsgAnswer::Yes);
    EXPECT_TRUE(projects.Delete(demo));
    EXPECT_EQ(Current(), (Selection{alpha, "Alpha", 5}));
    EXPECT_EQ(CursorProject(), alpha);
    ExpectDemoGone();
}

TEST_F(ProjectsTest, RenameNeedsACurrentProjectAndAName) {
    const struct {
        const char* what;
        bool hasProject;
        std::string newName;
        const char* error;
    } cases[] = {
        {"no current project", false, "Neu", "Wählen Sie, bitte, zuerst ein aktuelles Projekt"},
        {"empty name", true, "", "Bitte geben Sie eine neue Name ein"},
    };
    for (const auto& c : cases) {
        if (c.hasProject)
            SetCurrent(demo, "Demo", 5);
        else
            current.ClearProject();
        const Selection before = Current();
        port.Clear();
        EXPECT_FALSE(projects.Rename(c.newName)) << c.what;
        ASSERT_EQ(port.messages().size(), 1u) << c.what;
        EXPECT_EQ(port.messages()[0].kind, MsgKind::Error) << c.what;
        EXPECT_EQ(port.messages()[0].text, c.error) << c.what;
        EXPECT_EQ(Current(), before) << c.what;
        EXPECT_NO_THROW(ProjectId("Demo")) << c.what;
    }
}

TEST_F(ProjectsTest, RenameChangesTheCurrentProjectWhereverTheCursorStands) {
    const std::int64_t alpha = AddProject("Alpha");
    SetCurrent(demo, "Demo", 5);
    main.ProjektCDS.Locate("ID_Projekt", I(alpha));
    EXPECT_TRUE(projects.Rename("Berg Nord"));
    EXPECT_TRUE(port.messages().empty());
    EXPECT_EQ(Current(), (Selection{demo, "Berg Nord", 5}));
    EXPECT_EQ(ProjectId("Berg Nord"), demo);
    EXPECT_EQ(ProjectId("Alpha"), alpha);
}

// ---------------------------------------------------------------------------------------
// Paths for display

TEST(ShortenPathTest, LeadingFoldersGiveWayUntilOnlyTheFileNameIsLeft) {
    const auto chars = [](std::string_view s) { return static_cast<int>(s.size()); };
    const struct {
        const char* path;
        int max;
        const char* shown;
    } cases[] = {
        {"\\alpha\\beta\\gamma\\f.txt", 23, "\\alpha\\beta\\gamma\\f.txt"},
        {"\\alpha\\beta\\gamma\\f.txt", 22, "\\...\\beta\\gamma\\f.txt"},
        {"\\alpha\\beta\\gamma\\f.txt", 20, "\\...\\gamma\\f.txt"},
        {"\\alpha\\beta\\gamma\\f.txt", 15, "\\...\\f.txt"},
        {"\\alpha\\beta\\gamma\\f.txt", 9, "...\\f.txt"},
        {"\\alpha\\beta\\gamma\\f.txt", 8, "f.txt"},
        {"\\alpha\\beta\\gamma\\f.txt", 1, "f.txt"},
        {"alpha\\beta\\f.txt", 14, "...\\beta\\f.txt"},
        {"alpha\\beta\\f.txt", 9, "...\\f.txt"},
        {"C:\\alpha\\beta\\gamma\\f.txt", 25, "C:\\alpha\\beta\\gamma\\f.txt"},
        {"C:\\alpha\\beta\\gamma\\f.txt", 24, "C:\\...\\beta\\gamma\\f.txt"},
        {"C:\\alpha\\beta\\gamma\\f.txt", 12, "C:\\...\\f.txt"},
        {"C:\\alpha\\beta\\gamma\\f.txt", 4, "f.txt"},
        {"C:f.txt", 5, "f.txt"},
        {"f.txt", 1, "f.txt"},
    };
    for (const auto& c : cases) EXPECT_EQ(ShortenPath(c.path, chars, c.max), c.shown) << c.path << " in " << c.max;
}

}  // namespace
}  // namespace gvm::db
