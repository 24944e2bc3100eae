// The simulation experiment record: defaults, filling from a case, writing and reading
// stored experiments, and reading the track only when it changes.

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "model/sim_experiment.h"
#include "support/doc_fixture.h"

namespace gvm::model {
namespace {

using test::DocFixture;

// Every field of an experiment by name, so that "nothing else changed" is one comparison
// with a readable difference.
std::map<std::string, std::string> Fields(TSimExperiment& e) {
    std::map<std::string, std::string> m;
    auto put = [&m](const char* name, auto v) { m[name] = db::ValueText(db::Value{v}); };
    put("IDGleis", std::int64_t{e.IDGleis()});
    put("_IDSimExp", std::int64_t{e._IDSimExp});
    put("_IDSimFall", std::int64_t{e._IDSimFall});
    put("_Xtot", e._Xtot);
    put("_Vab", e._Vab);
    put("_Ddx0", e._Ddx0);
    put("_Q", e._Q);
    put("_Xstart", e._Xstart);
    put("_IDWG1", std::int64_t{e._IDWG1});
    put("_IDWG2", std::int64_t{e._IDWG2});
    put("_IDWGZug", std::int64_t{e._IDWGZug});
    put("_IDWGo1", std::int64_t{e._IDWGo1});
    put("_IDWGo2", std::int64_t{e._IDWGo2});
    put("_IDWGo3", std::int64_t{e._IDWGo3});
    put("_IDWGo4", std::int64_t{e._IDWGo4});
    put("_Zeitversatz2WG", e._Zeitversatz2WG);
    put("_XZielbrems", e._XZielbrems);
    put("_VZielbrems", e._VZielbrems);
    put("_XZulaufStart", e._XZulaufStart);
    put("_VZulaufStart", e._VZulaufStart);
    put("_XZulaufEnde", e._XZulaufEnde);
    put("_VZulaufEnde", e._VZulaufEnde);
    put("_XEinschalt", e._XEinschalt);
    put("_NSimFall", e._NSimFall);
    put("_NSimExperiment", e._NSimExperiment);
    put("_NGleis", e._NGleis);
    put("_TxtTime", e._TxtTime);
    put("_TxtDatum", e._TxtDatum);
    put("_Flags", std::int64_t{e._Flags});
    put("_LaufBereit", std::int64_t{e._LaufBereit});
    put("_ZielBereit", std::int64_t{e._ZielBereit});
    put("_ZulaufBereit", std::int64_t{e._ZulaufBereit});
    put("_VausResult[7]", e._VausResult[7]);
    put("_ZulaufVmaxStart", e._ZulaufVmaxStart);
    put("_VausGleisRespect", std::int64_t{e._VausGleisRespect});
    return m;
}

// Distinct values in every field but the track.
void Scramble(TSimExperiment& e) {
    e._IDSimExp = 501;
    e._IDSimFall = 502;
    e._Xtot = 503.5;
    e._Vab = 2.25;
    e._Ddx0 = 0.75;
    e._Q = 0.0025;
    e._Xstart = -12.5;
    e._IDWG1 = 504;
    e._IDWG2 = 505;
    e._IDWGZug = 506;
    e._IDWGo1 = 507;
    e._IDWGo2 = 508;
    e._IDWGo3 = 509;
    e._IDWGo4 = 510;
    e._Zeitversatz2WG = 11.5;
    e._XZielbrems = 412.25;
    e._VZielbrems = 0.85;
    e._XZulaufStart = -80.5;
    e._VZulaufStart = 1.75;
    e._XZulaufEnde = -20.25;
    e._VZulaufEnde = 1.15;
    e._XEinschalt = 33.5;
    e._NSimFall = "Fall";
    e._NSimExperiment = "Exp";
    e._NGleis = "Gleis";
    e._TxtTime = "12:34";
    e._TxtDatum = "01.02.2024";
    e._Flags = kZulaufprozess;
    e._LaufBereit = e._ZielBereit = e._ZulaufBereit = true;
    e._VausResult[7] = 3.5;
    e._ZulaufVmaxStart = 4.5;
    e._VausGleisRespect = false;
}

// A project with a short track (crest 30 m behind the start of the gradients, so Xnull is
// -30) whose curve list refers to nothing: every reading of it shows warnings.
struct TrackDoc {
    TrackDoc() {
        const auto neig = fx.Gradients("N", 200, 0, {{-30.0, 0.0, 40.0, 40.0}, {0.0, 170.0, 5.0, 5.0}});
        gleis = fx.Track("G1", {.neig = neig, .bogen = 999999});
        gleis2 = fx.Track("G2", {.neig = neig, .bogen = 999999});
        fall = fx.Case("Fall 1", gleis, 0, 480, 1.3, 0.25, 0.002, 1.1);
        fx.Loaded();
    }
    // Appends a stored experiment under the case.
    std::int64_t Stored(db::FieldValues fields) {
        fx.main.cds.SimulationsFallCDS.Locate("ID_Simulationsfall", fall);
        return fx.Append(fx.main.cds.SimFallResultCDS, fields);
    }
    // The loading module's stored experiments of the case.
    db::Cursor& Results() {
        fx.load.cds.SimulationsFallCDS.Locate("ID_Simulationsfall", fall);
        return fx.load.cds.SimFallResultCDS;
    }
    DocFixture fx;
    ModelContext ctx{fx.Loaded(), fx.port};
    std::int64_t gleis = 0, gleis2 = 0, fall = 0;
};

TEST(SimExperiment, CleanUpSetsTheDefaultsAndKeepsNamesAndTargets) {
    TrackDoc d;
    TSimExperiment e(d.ctx);
    EXPECT_EQ(e.IDGleis(), -1);
    EXPECT_EQ(e._VZulaufEnde, 1.0);
    EXPECT_TRUE(d.fx.port.messages().empty()) << "creating reads no track";

    e.Set_IDGleis(static_cast<int>(d.gleis));
    Scramble(e);
    const std::size_t shown = d.fx.port.messages().size();
    e.CleanUp();
    EXPECT_EQ(d.fx.port.messages().size(), shown) << "CleanUp reads no track";

    const std::map<std::string, std::string> expected{
        {"IDGleis", "-1"}, {"_IDSimFall", "-1"}, {"_NSimFall", ""}, {"_IDWG1", "-1"}, {"_IDWG2", "-1"},
        {"_IDWGZug", "-1"}, {"_IDWGo1", "-1"}, {"_IDWGo2", "-1"}, {"_IDWGo3", "-1"}, {"_IDWGo4", "-1"},
        {"_VZielbrems", "1.4"}, {"_Xtot", "0"}, {"_Vab", "1"}, {"_Ddx0", "2"}, {"_Q", "0.001"},
        {"_TxtDatum", ""}, {"_TxtTime", ""}, {"_Xstart", "0"}, {"_XZulaufStart", "0"}, {"_VZulaufStart", "0"},
        {"_VZulaufEnde", "1"}, {"_XZulaufEnde", "0"}, {"_Zeitversatz2WG", "0"}, {"_ZulaufVmaxStart", "0"},
        {"_VausGleisRespect", "1"}, {"_Flags", "0"},
        // kept
        {"_IDSimExp", "501"}, {"_XZielbrems", "412.25"}, {"_XEinschalt", "33.5"}, {"_NSimExperiment", "Exp"},
        {"_NGleis", "Gleis"}, {"_LaufBereit", "1"}, {"_ZielBereit", "1"}, {"_ZulaufBereit", "1"},
        {"_VausResult[7]", "3.5"}};
    EXPECT_EQ(Fields(e), expected);
}

TEST(SimExperiment, ModeCaptions) {
    const std::pair<int, const char*> cases[] = {
        {kNormalLauf, " - normal Lauf"},
        {kZielbremsung, " - Zielbremsung"},
        {kZulaufprozess, " - Zulaufprozess"},
        {-1, " - keine Resultate"},
    };
    for (const auto& [flags, caption] : cases) EXPECT_STREQ(ModeCaption(flags), caption) << flags;
}

TEST(SimExperiment, SettingTheTrackReadsItUnlessNone) {
    TrackDoc d;
    TSimExperiment e(d.ctx);
    e.Set_IDGleis(-1);
    EXPECT_TRUE(d.fx.port.messages().empty());
    EXPECT_FALSE(e.Gleis().DatenBereit());

    e.Set_IDGleis(static_cast<int>(d.gleis));
    const std::size_t once = d.fx.port.messages().size();
    ASSERT_GT(once, 0u) << "the fixture track should warn about its missing curves";
    EXPECT_EQ(e.IDGleis(), d.gleis);
    EXPECT_DOUBLE_EQ(e.Gleis().Xnull, -30.0);
    // The setter itself always reads: the caller asks for fresh data.
    e.Set_IDGleis(static_cast<int>(d.gleis));
    EXPECT_EQ(d.fx.port.messages().size(), 2 * once);
}

TEST(SimExperiment, FillingFromACaseTakesItsValuesAndTheTrackOrigin) {
    struct Case {
        const char* what;
        bool emptyZiel;
        double vZiel;
    };
    const Case cases[] = {{"stored target speed", false, 1.1}, {"empty target speed", true, 1.4}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TrackDoc d;
        if (c.emptyZiel) {
            d.fx.main.cds.SimulationsFallCDS.Locate("ID_Simulationsfall", d.fall);
            DocFixture::Set(d.fx.main.cds.SimulationsFallCDS, {{"ZielGeschw0", db::Value{}}});
        }
        TSimExperiment e(d.ctx);
        Scramble(e);
        e._Xstart = 5.0;  // the caller's choice
        db::Cursor& fall = d.fx.load.cds.SimulationsFallCDS;
        ASSERT_TRUE(fall.Locate("ID_Simulationsfall", d.fall));
        e.FillFromCase(fall, "03.04.2025", "10:11:12");

        EXPECT_EQ(e._IDSimFall, d.fall);
        EXPECT_EQ(e._NSimFall, "Fall 1");
        EXPECT_EQ(e.IDGleis(), d.gleis);
        EXPECT_FALSE(d.fx.port.messages().empty()) << "the track was read";
        EXPECT_EQ(e._IDWG1, 0);
        EXPECT_EQ(e._VZielbrems, c.vZiel);
        EXPECT_EQ(e._Xtot, 480.0);
        EXPECT_EQ(e._Vab, 1.3);
        EXPECT_EQ(e._Ddx0, 0.25);
        EXPECT_EQ(e._Q, 0.002);
        EXPECT_EQ(e._TxtDatum, "03.04.2025");
        EXPECT_EQ(e._TxtTime, "10:11:12");
        for (int id : {e._IDWG2, e._IDWGZug, e._IDWGo1, e._IDWGo2, e._IDWGo3, e._IDWGo4}) EXPECT_EQ(id, -1);
        EXPECT_EQ(e._Xstart, 5.0);
        EXPECT_DOUBLE_EQ(e._XZulaufStart, -30.0);
        EXPECT_EQ(e._VZulaufStart, 0.0);
        EXPECT_EQ(e._VZulaufEnde, 1.3);
        EXPECT_DOUBLE_EQ(e._XZulaufEnde, -25.0);
        EXPECT_EQ(e._Zeitversatz2WG, 0.0);
        EXPECT_EQ(e._XZielbrems, 480.0);
        EXPECT_EQ(e._Flags, kZulaufprozess) << "the mode is the window's";
    }
}

TEST(SimExperiment, AWrittenExperimentReadsBackAsItWas) {
    TrackDoc d;
    TSimExperiment written(d.ctx);
    written.Set_IDGleis(static_cast<int>(d.gleis));
    Scramble(written);
    written._NSimExperiment = "Lauf A";
    d.Stored({});
    db::Cursor& rec = d.fx.main.cds.SimFallResultCDS;
    const std::int64_t id = rec.FieldByName("ID_Result").AsInteger();
    rec.Edit();
    written.WriteToRecord(rec);
    rec.Post();
    EXPECT_TRUE(rec.FieldByName("ID_Simfall").IsNull());
    EXPECT_TRUE(rec.FieldByName("XStartEdited").IsNull());
    EXPECT_EQ(rec.FieldByName("ID_Result").AsInteger(), id) << "the caller's identifier stays";
    EXPECT_EQ(rec.FieldByName("Datum").AsString(), "01.02.2024");
    EXPECT_EQ(rec.FieldByName("Zeit").AsString(), "12:34");

    TSimExperiment read(d.ctx);
    read._TxtDatum = "heute";
    read._TxtTime = "jetzt";
    const auto before = Fields(read);
    d.fx.port.Clear();
    ASSERT_TRUE(read.ReadFromDBData(d.Results(), "Lauf A"));
    EXPECT_FALSE(d.fx.port.messages().empty()) << "a different track is read";

    auto expected = Fields(written);
    expected.at("_IDSimExp") = std::to_string(id);
    expected.at("_IDSimFall") = "0";  // never written, so empty
    // Not stored in the record: the reader's own values stay.
    for (const char* kept : {"_TxtDatum", "_TxtTime", "_NSimFall", "_NGleis", "_LaufBereit", "_ZielBereit",
                             "_ZulaufBereit", "_VausResult[7]", "_ZulaufVmaxStart", "_VausGleisRespect"})
        expected.at(kept) = before.at(kept);
    EXPECT_EQ(Fields(read), expected);
}

TEST(SimExperiment, EmptyColumnsKeepTheExperimentsValues) {
    TrackDoc d;
    const auto id = d.Stored({{"SimExpName", "Leer"}});
    TSimExperiment e(d.ctx);
    Scramble(e);
    auto expected = Fields(e);
    ASSERT_TRUE(e.ReadFromDBData(d.Results(), "Leer"));
    expected.at("_IDSimExp") = std::to_string(id);
    expected.at("_NSimExperiment") = "Leer";
    expected.at("_IDSimFall") = "0";
    EXPECT_EQ(Fields(e), expected);
    EXPECT_TRUE(d.fx.port.messages().empty());

    TSimExperiment fresh(d.ctx);
    ASSERT_TRUE(fresh.ReadFromDBData(d.Results(), "Leer"));
    EXPECT_EQ(fresh._VZielbrems, 1.4);
}

TEST(SimExperiment, ANameMatchingNoRecordChangesNothing) {
    TrackDoc d;
    d.Stored({{"SimExpName", "Lauf 1"}, {"Xtot", 999.0}});
    TSimExperiment e(d.ctx);
    Scramble(e);
    const auto before = Fields(e);
    for (const char* name : {"lauf 1", "Lauf 1 ", "Lauf", ""}) {
        EXPECT_FALSE(e.ReadFromDBData(d.Results(), name)) << '"' << name << '"';
        EXPECT_EQ(Fields(e), before) << '"' << name << '"';
    }
    EXPECT_TRUE(d.fx.port.messages().empty());
}

TEST(SimExperiment, OnlyAChangedTrackIsReadAgain) {
    TrackDoc d;
    d.Stored({{"SimExpName", "same"}, {"ID_Gleis", d.gleis}, {"Xtot", 100.0}});
    d.Stored({{"SimExpName", "none"}, {"Xtot", 200.0}});
    d.Stored({{"SimExpName", "other"}, {"ID_Gleis", d.gleis2}, {"Xtot", 300.0}});
    TSimExperiment e(d.ctx);
    e.Set_IDGleis(static_cast<int>(d.gleis));
    const std::size_t once = d.fx.port.messages().size();
    ASSERT_GT(once, 0u);

    struct Step {
        const char* name;
        std::int64_t gleis;
        std::size_t messages;
    };
    const Step steps[] = {{"same", d.gleis, once}, {"none", d.gleis, once}, {"other", d.gleis2, 2 * once}};
    for (const Step& s : steps) {
        SCOPED_TRACE(s.name);
        ASSERT_TRUE(e.ReadFromDBData(d.Results(), s.name));
        EXPECT_EQ(e.IDGleis(), s.gleis);
        EXPECT_EQ(d.fx.port.messages().size(), s.messages);
    }
    EXPECT_EQ(e._Xtot, 300.0);
}

}  // namespace
}  // namespace gvm::model
