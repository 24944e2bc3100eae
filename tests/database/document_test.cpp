// The database document: open, save with backup, identifier counter, version probe,
// conversion of older files, and what bad files do to the user's data (nothing).

#include <gtest/gtest.h>

#include "base/errors.h"
#include "base/fileio.h"
#include "base/recording_port.h"
#include "database/datapacket.h"
#include "database/gravimont_data_module.h"
#include "database/record_helpers.h"
#include "docgen.h"
#include "support/repo_data.h"
#include "support/test_support.h"

namespace gvm::db {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

using test::RepoData;

std::string DemoText() { return DataPacketText(*tools::BuildDemoDocument()); }

// An old document: version 16, SimFallName instead of SimExpName, no Info field, and a few
// of the current fields only.
const char* kOldFile = R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<DATAPACKET Version="2.0"><METADATA><FIELDS>
<FIELD attrname="Info_Code" fieldtype="i4" readonly="true" SUBTYPE="Autoinc"/>
<FIELD attrname="Version" fieldtype="string.uni" WIDTH="20"/>
<FIELD attrname="MaxAutoInc" fieldtype="i4"/>
<FIELD attrname="Rollote" fieldtype="nested"><FIELDS>
  <FIELD attrname="ID_Rollot" fieldtype="i4" readonly="true" SUBTYPE="Autoinc"/>
  <FIELD attrname="Name" fieldtype="string.uni" WIDTH="20"/>
</FIELDS><PARAMS/></FIELD>
<FIELD attrname="Projekten" fieldtype="nested"><FIELDS>
  <FIELD attrname="ProjektName" fieldtype="string.uni" WIDTH="24"/>
  <FIELD attrname="ID_Projekt" fieldtype="i4" readonly="true" SUBTYPE="Autoinc"/>
  <FIELD attrname="SimulationsFall" fieldtype="nested"><FIELDS>
    <FIELD attrname="ID_Projekt" fieldtype="i4"/>
    <FIELD attrname="Name" fieldtype="string.uni" WIDTH="100"/>
    <FIELD attrname="ID_Rollot" fieldtype="i4"/>
    <FIELD attrname="ID_Simulationsfall" fieldtype="i4" readonly="true" SUBTYPE="Autoinc"/>
    <FIELD attrname="SimFallResult" fieldtype="nested"><FIELDS>
      <FIELD attrname="ID_Simfall" fieldtype="i4"/>
      <FIELD attrname="ID_Result" fieldtype="i4" readonly="true" SUBTYPE="Autoinc"/>
      <FIELD attrname="ID_Rollot" fieldtype="i4"/>
      <FIELD attrname="SimFallName" fieldtype="string.uni" WIDTH="100"/>
    </FIELDS><PARAMS/></FIELD>
  </FIELDS><PARAMS/></FIELD>
</FIELDS><PARAMS/></FIELD>
</FIELDS><PARAMS/></METADATA>
<ROWDATA><ROW Info_Code="1" Version="VERSION" MaxAutoInc="40">
<Rollote><ROWRollote ID_Rollot="12" Name="R12"/></Rollote>
<Projekten><ROWProjekten ProjektName="Alt" ID_Projekt="20"><SimulationsFall>
<ROWSimulationsFall ID_Projekt="20" Name="Fall A" ID_Rollot="12" ID_Simulationsfall="21">
<SimFallResult><ROWSimFallResult ID_Simfall="21" ID_Result="22" ID_Rollot="12" SimFallName="Lauf &#252;ber Berg"/></SimFallResult>
</ROWSimulationsFall></SimulationsFall></ROWProjekten></Projekten>
</ROW></ROWDATA></DATAPACKET>
)";

std::string OldFile(const std::string& version) {
    std::string s = kOldFile;
    s.replace(s.find("VERSION"), 7, version);
    return s;
}

class DocumentTest : public ::testing::Test {
protected:
    fs::path CopyDemo(const std::string& name = "demo.gvm") {
        const fs::path p = dir / name;
        WriteBytes(p, DemoText());
        return p;
    }

    // The demo as a file of another program would have it, with the given MaxAutoInc.
    fs::path DemoWithMaxAutoInc(std::int64_t max) {
        auto store = tools::BuildDemoDocument();
        Cursor root("InfoDBCDS");
        root.Attach(store);
        root.Edit();
        root.FieldByName("MaxAutoInc").SetInteger(max);
        root.Post();
        const fs::path p = dir / "demo.gvm";
        WriteBytes(p, DataPacketText(*store));
        return p;
    }

    TempDir dir;
    RecordingPort port;
};

TEST_F(DocumentTest, ShippedFilesAreWhatTheGeneratorsProduce) {
    EXPECT_EQ(ReadBytes(RepoData().TemplateFile()), DataPacketText(*tools::BuildTemplateDocument()))
        << "regenerate data/Dat/RollotNew17.dat with gvm-mkdata template";
    EXPECT_EQ(ReadBytes(RepoData().DemoDatabase()), DemoText())
        << "regenerate data/demo.gvm with gvm-mkdata demo";
}

TEST_F(DocumentTest, TemplateIsAnEmptyDocumentOfTheCurrentStructure) {
    TGravimontDataModule dm(port, RepoData());
    dm.SetSaveOnDestroy(false);
    ASSERT_EQ(dm.OpenCDS(dm.InfoDBCDS, RepoData().TemplateFile(), false), 0) << testing::PrintToString(port.texts());
    EXPECT_EQ(dm.InfoDBCDS.FieldByName("Version").AsString(), "17");
    EXPECT_FALSE(dm.InfoDBCDS.FieldByName("Info").AsString().empty());
    for (Cursor* c : {&dm.cds.WagKatCDS, &dm.cds.BremsenKatCDS, &dm.cds.RolloteCDS, &dm.cds.ProjektCDS})
        EXPECT_EQ(c->RecordCount(), 0) << c->Name();
}

TEST_F(DocumentTest, OpenSaveReopenKeepsTheContentToTheByte) {
    const fs::path file = CopyDemo();
    const std::string original = ReadBytes(file);
    {
        TGravimontDataModule dm(port, RepoData());
        ASSERT_EQ(dm.OpenCDS(dm.InfoDBCDS, file, false), 0);
        EXPECT_EQ(dm.SaveInfoCDS(), 0);
    }  // and the destructor saves once more
    EXPECT_EQ(ReadBytes(file), original);
    EXPECT_EQ(ReadBytes(dir / "demo.bak"), original);
    EXPECT_TRUE(port.messages().empty());
}

TEST_F(DocumentTest, SavingTwiceLeavesTheFirstSaveInTheBackup) {
    const fs::path file = CopyDemo();
    TGravimontDataModule dm(port, RepoData());
    dm.SetSaveOnDestroy(false);
    ASSERT_EQ(dm.OpenCDS(dm.InfoDBCDS, file, false), 0);
    const auto next = [&] { return dm.GetNextAutoIncValue(); };
    AppendRecord(dm.ProjektCDS, next, {{"ProjektName", "Erstes"}});
    dm.SaveInfoCDS();
    const std::string first = ReadBytes(file);
    AppendRecord(dm.ProjektCDS, next, {{"ProjektName", "Zweites"}});
    dm.SaveInfoCDS();
    EXPECT_EQ(ReadBytes(dir / "demo.bak"), first);
    EXPECT_NE(ReadBytes(file), first);
}

TEST_F(DocumentTest, CounterContinuesFromMaxAutoIncInEveryTable) {
    const fs::path file = DemoWithMaxAutoInc(500);
    TGravimontDataModule dm(port, RepoData());
    dm.SetSaveOnDestroy(false);
    ASSERT_EQ(dm.OpenCDS(dm.InfoDBCDS, file, false), 0);
    const auto next = [&] { return dm.GetNextAutoIncValue(); };
    EXPECT_EQ(AppendRecord(dm.cds.WagKatCDS, next, {{"Name", "Neu"}}), 501);
    EXPECT_EQ(AppendRecord(dm.ProjektCDS, next, {{"ProjektName", "P"}}), 502);
    EXPECT_EQ(AppendRecord(dm.cds.GleisCDS, next, {{"Name", "G"}}), 503);
}

TEST_F(DocumentTest, CounterNeverFallsBelowTheLargestIdentifier) {
    // An older file whose MaxAutoInc is missing or too low must not hand out identifiers twice.
    const struct {
        const char* attribute;
        int next;
    } cases[] = {{"MaxAutoInc=\"40\"", 41}, {"MaxAutoInc=\"3\"", 23}, {"", 23}};
    for (const auto& c : cases) {
        std::string text = OldFile("17");
        text.replace(text.find("MaxAutoInc=\"40\""), 15, c.attribute);
        const fs::path file = dir / "old.gvm";
        WriteBytes(file, text);
        TGravimontDataModule dm(port, RepoData());
        dm.SetSaveOnDestroy(false);
        ASSERT_EQ(dm.OpenCDS(dm.InfoDBCDS, file, true), 0) << testing::PrintToString(port.texts());
        EXPECT_EQ(dm.GetNextAutoIncValue(), c.next) << c.attribute;
    }
}

TEST_F(DocumentTest, ExhaustedCounterIsAnErrorNotAWrap) {
    const fs::path file = DemoWithMaxAutoInc(2147483646);
    TGravimontDataModule dm(port, RepoData());
    dm.SetSaveOnDestroy(false);
    ASSERT_EQ(dm.OpenCDS(dm.InfoDBCDS, file, false), 0);
    EXPECT_EQ(dm.GetNextAutoIncValue(), 2147483647);
    EXPECT_THROW(dm.GetNextAutoIncValue(), EDatabaseError);
    EXPECT_EQ(dm.AutoIncValue(), 2147483647);
}

TEST_F(DocumentTest, VersionProbe) {
    const struct {
        std::string text;
        int version;
    } cases[] = {
        {OldFile("1.05"), 15},
        {OldFile("16"), 16},
        {OldFile("17"), 17},
        {OldFile("x17"), 0},
        {OldFile(""), 0},
        {"<DATAPACKET><ROWDATA></ROWDATA></DATAPACKET>", 0},
        {"<DATAPACKET><ROWDATA><ROW Info_Code=\"1\"/></ROWDATA></DATAPACKET>", 0},
        {"this is no XML", 0},
        {"", 0},
        {"<!DOCTYPE x [<!ENTITY e SYSTEM \"file:///etc/passwd\">]><DATAPACKET><ROWDATA><ROW Version=\"&e;\"/>"
         "</ROWDATA></DATAPACKET>",
         0},
    };
    for (const auto& c : cases) {
        const fs::path file = dir / "probe.gvm";
        WriteBytes(file, c.text);
        EXPECT_EQ(TGravimontDataModule::ProbeVersion(file), c.version) << c.text.substr(0, 60);
    }
    EXPECT_EQ(TGravimontDataModule::ProbeVersion(dir / "missing.gvm"), 0);
}

TEST_F(DocumentTest, ConversionKeepsIdentifiersAndReferencesAndTheTemplateVersion) {
    const struct {
        std::string version;
        std::string keptAs;
    } cases[] = {{"16", "old.dat16"}, {"1.05", "old.dat15"}};
    for (const auto& c : cases) {
        const fs::path file = dir / "old.gvm";
        const std::string original = OldFile(c.version);
        WriteBytes(file, original);
        TGravimontDataModule dm(port, RepoData());
        dm.SetSaveOnDestroy(false);
        ASSERT_EQ(dm.OpenCDS(dm.InfoDBCDS, file, true), 0) << testing::PrintToString(port.texts());
        EXPECT_EQ(ReadBytes(dir / c.keptAs), original);
        auto& db = dm.cds;
        EXPECT_EQ(db.InfoDBCDS.FieldByName("Version").AsString(), "17");
        EXPECT_EQ(db.InfoDBCDS.FieldByName("MaxAutoInc").AsInteger(), 40);
        ASSERT_TRUE(db.ProjektCDS.Locate("ID_Projekt", std::int64_t{20}));
        EXPECT_EQ(db.ProjektCDS.FieldByName("ProjektName").AsString(), "Alt");
        ASSERT_EQ(db.SimulationsFallCDS.RecordCount(), 1);
        EXPECT_EQ(db.SimulationsFallCDS.FieldByName("ID_Simulationsfall").AsInteger(), 21);
        EXPECT_EQ(db.SimulationsFallCDS.FieldByName("RollotName").AsString(), "R12");
        ASSERT_EQ(db.SimFallResultCDS.RecordCount(), 1);
        EXPECT_EQ(db.SimFallResultCDS.FieldByName("ID_Result").AsInteger(), 22);
        EXPECT_EQ(db.SimFallResultCDS.FieldByName("ID_Simfall").AsInteger(), 21);
        EXPECT_EQ(db.SimFallResultCDS.FieldByName("SimExpName").AsString(), "Lauf über Berg");
        EXPECT_TRUE(db.SimFallResultCDS.FieldByName("Xtot").IsNull());
        // The converted file opens without conversion now.
        ASSERT_EQ(dm.OpenCDS(dm.InfoDBCDS, file, false), 0);
        fs::remove(dir / c.keptAs);
    }
    EXPECT_TRUE(port.messages().empty()) << testing::PrintToString(port.texts());
}

TEST_F(DocumentTest, NewerFileIsNotConverted) {
    const fs::path file = dir / "newer.gvm";
    const std::string original = OldFile("18");
    WriteBytes(file, original);
    TGravimontDataModule dm(port, RepoData());
    EXPECT_EQ(dm.OpenCDS(dm.InfoDBCDS, file, true), -1);
    ASSERT_EQ(port.messages().size(), 1u);
    EXPECT_EQ(port.texts()[0].rfind("Konvertierung von Datei \"" + file.string() +
                                        "\" auf die neue Fileversion war nicht erfolgreich!\n\r",
                                    0),
              0u)
        << port.texts()[0];
    EXPECT_NE(port.texts()[0].find("18"), std::string::npos);
    EXPECT_EQ(ReadBytes(file), original);
    EXPECT_FALSE(fs::exists(dir / "newer.dat18"));
}

TEST_F(DocumentTest, ConversionWithoutItsCopyOfTheOldFileWritesNothing) {
    const fs::path file = dir / "old.gvm";
    WriteBytes(file, OldFile("16"));
    fs::create_directory(dir / "old.dat16");  // the copy cannot be made
    TGravimontDataModule dm(port, RepoData());
    EXPECT_EQ(dm.OpenCDS(dm.InfoDBCDS, file, true), -1);
    EXPECT_EQ(ReadBytes(file), OldFile("16"));
    ASSERT_EQ(port.messages().size(), 1u);
    EXPECT_NE(port.texts()[0].find("old.dat16"), std::string::npos) << port.texts()[0];
}

TEST_F(DocumentTest, MissingTemplateFailsTheConversionWithoutTouchingTheFile) {
    const fs::path file = dir / "old.gvm";
    WriteBytes(file, OldFile("16"));
    ProgramData nowhere;
    nowhere.folder = dir / "no-such-folder";
    TGravimontDataModule dm(port, nowhere);
    EXPECT_EQ(dm.OpenCDS(dm.InfoDBCDS, file, true), -1);
    EXPECT_EQ(ReadBytes(file), OldFile("16"));
    EXPECT_FALSE(fs::exists(dir / "old.dat16"));
    ASSERT_EQ(port.messages().size(), 1u);
    EXPECT_EQ(port.messages()[0].kind, MsgKind::Error);
}

TEST_F(DocumentTest, BadFilesGiveAClearErrorAndStayAsTheyWere) {
    std::string demo = DemoText();
    std::string wrongType = demo;
    wrongType.replace(wrongType.find("Naw=\"2\""), 7, "Naw=\"zwei\"");
    const struct {
        const char* what;
        std::string bytes;
        const char* inMessage;
    } cases[] = {
        {"truncated", demo.substr(0, demo.size() / 2), ""},
        {"not XML", "Dies ist keine Datenbank.", ""},
        {"empty", "", ""},
        {"wrong value type", wrongType, "zwei"},
    };
    for (const auto& c : cases) {
        for (const bool convert : {false, true}) {
            TempDir d;
            const fs::path file = d / "bad.gvm";
            WriteBytes(file, c.bytes);
            port.Clear();
            {
                TGravimontDataModule dm(port, RepoData());
                EXPECT_EQ(dm.OpenCDS(dm.InfoDBCDS, file, convert), -1) << c.what;
                EXPECT_FALSE(dm.IsOpen());
                EXPECT_EQ(dm.SaveInfoCDS(), 0);
            }
            EXPECT_EQ(ReadBytes(file), c.bytes) << c.what;
            EXPECT_EQ(std::distance(fs::directory_iterator(d.path()), fs::directory_iterator()), 1)
                << c.what << ": no backup, copy or temporary file may be left";
            ASSERT_EQ(port.messages().size(), 1u) << c.what;
            const std::string text = port.texts()[0];
            const std::string head = convert ? "Konvertierung von Datei \"" + file.string() + "\""
                                             : "Datenbank \"" + file.string() + "\" konnte nicht geöffnet werden.\n\r";
            EXPECT_EQ(text.rfind(head, 0), 0u) << text;
            EXPECT_GT(text.size(), head.size() + 5) << "the reason is missing: " << text;
            EXPECT_NE(text.find(c.inMessage), std::string::npos) << text;
        }
    }
}

TEST_F(DocumentTest, SaveAfterAFailedOpenDoesNotTouchTheBackup) {
    const fs::path good = CopyDemo();
    const fs::path bad = dir / "bad.gvm";
    WriteBytes(bad, "kaputt");
    WriteBytes(dir / "bad.bak", "last good state");
    TGravimontDataModule dm(port, RepoData());
    ASSERT_EQ(dm.OpenCDS(dm.InfoDBCDS, good, false), 0);
    EXPECT_EQ(dm.OpenCDS(dm.InfoDBCDS, bad, false), -1);
    EXPECT_TRUE(dm.FileName().empty());
    dm.SaveInfoCDS();
    EXPECT_EQ(ReadBytes(dir / "bad.bak"), "last good state");
    EXPECT_EQ(ReadBytes(bad), "kaputt");
    EXPECT_FALSE(fs::exists(dir / "demo.bak"));
}

TEST_F(DocumentTest, FailedWriteLeavesTheFileIntact) {
    const fs::path file = CopyDemo();
    const std::string original = ReadBytes(file);
    EXPECT_THROW(WriteFileAtomic(file,
                                 [](std::ostream& out) {
                                     out << "<DATAPACKET";
                                     throw std::runtime_error("Disk voll");
                                 }),
                 EGravimont);
    EXPECT_EQ(ReadBytes(file), original);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
    EXPECT_THROW(WriteFileAtomic(dir / "no-folder" / "x.gvm", [](std::ostream& out) { out << "x"; }), EGravimont);
}

TEST_F(DocumentTest, SaveIntoAnUnwritableFolderFailsAndKeepsTheFile) {
    if (::geteuid() == 0) GTEST_SKIP() << "folder permissions do not bind root";
    const fs::path file = CopyDemo();
    const std::string original = ReadBytes(file);
    TGravimontDataModule dm(port, RepoData());
    dm.SetSaveOnDestroy(false);
    ASSERT_EQ(dm.OpenCDS(dm.InfoDBCDS, file, false), 0);
    fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_THROW(dm.SaveInfoCDS(), EGravimont);
    fs::permissions(dir.path(), fs::perms::owner_all);
    EXPECT_EQ(ReadBytes(file), original);
}

TEST_F(DocumentTest, SaveWhereTheFolderCannotBeWrittenFailsAndKeepsTheFile) {
    // Works for root too: the folder's path now names a plain file.
    const fs::path folder = dir / "projekte";
    fs::create_directory(folder);
    const fs::path file = folder / "demo.gvm";
    WriteBytes(file, DemoText());
    TGravimontDataModule dm(port, RepoData());
    dm.SetSaveOnDestroy(false);
    ASSERT_EQ(dm.OpenCDS(dm.InfoDBCDS, file, false), 0);
    fs::rename(folder, dir / "moved");
    WriteBytes(folder, "kein Ordner");
    EXPECT_THROW(dm.SaveInfoCDS(), EGravimont);
    EXPECT_EQ(ReadBytes(dir / "moved" / "demo.gvm"), DemoText());
    EXPECT_EQ(ReadBytes(folder), "kein Ordner");
}

TEST_F(DocumentTest, DeleteNestedRecordsEmptiesTheProjectButLeavesItsRecord) {
    const fs::path file = CopyDemo();
    TGravimontDataModule dm(port, RepoData());
    dm.SetSaveOnDestroy(false);
    ASSERT_EQ(dm.OpenCDS(dm.InfoDBCDS, file, false), 0);
    auto& db = dm.cds;
    ASSERT_EQ(db.ProjektCDS.RecordCount(), 1);
    ASSERT_GT(db.GleisCDS.RecordCount(), 0);
    dm.DeleteNestedRecords(db.ProjektCDS);
    EXPECT_EQ(db.ProjektCDS.RecordCount(), 1);
    for (Cursor* c : {&db.NeigungCDS, &db.BogenCDS, &db.WeichenCDS, &db.RollWiderCDS, &db.LuftWidCDS,
                      &db.BremsenCDS, &db.WirkZonenCDS, &db.GleisCDS, &db.SimulationsFallCDS})
        EXPECT_EQ(c->RecordCount(), 0) << c->Name();
    EXPECT_EQ(db.WagKatCDS.RecordCount(), 4);
    EXPECT_EQ(db.RolloteCDS.RecordCount(), 4);
}

}  // namespace
}  // namespace gvm::db
