// The voice list filled at start-up and the voice test, through the window's
// named controls: with engines behind the test seam, and with the real ones.
#include <gtest/gtest.h>

#include <QAudioDevice>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMediaDevices>
#include <QPushButton>
#include <functional>
#include <iostream>

#include "SpVoice.h"
#include "SpeechEngine.h"
#include "TestSupport.h"
#include "WindowUi.h"
#include "frmVSL.h"
#include "window_testutil.h"

namespace {

// An engine with fixed descriptions; speaking gives 0.1 s of tone and runs
// `onSpeak` first so a test can look at the window meanwhile.
class ListedEngine : public vm::speech::SpeechEngine {
public:
    ListedEngine(std::string name, std::vector<std::string> descriptions)
        : name_(std::move(name)), descriptions_(std::move(descriptions)) {}
    std::string Name() const override { return name_; }
    bool ListVoices(std::vector<vm::speech::EngineVoice>* voices, std::string* error) override {
        for (size_t i = 0; i < descriptions_.size(); ++i)
            voices->push_back({name_ + std::to_string(i), descriptions_[i]});
        if (failListing) *error = "cannot read the voices";
        return !failListing;
    }
    bool Synthesize(const std::string& voiceId, const std::string&, bool, double,
                    vm::speech::EngineAudio* audio, std::string*) override {
        spokenWith.push_back(voiceId);
        if (onSpeak) onSpeak();
        audio->sampleRate = 16000;
        audio->samples.assign(1600, 1000);
        return true;
    }
    bool failListing = false;
    std::vector<std::string> spokenWith;
    std::function<void()> onSpeak;

private:
    std::string name_;
    std::vector<std::string> descriptions_;
};

bool QMediaDevicesHaveNoOutput() {
    return QMediaDevices::audioOutputs().isEmpty();
}

using Engines = std::vector<std::shared_ptr<vm::speech::SpeechEngine>>;

QStringList Entries(const QComboBox* list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i) items << list->itemText(i);
    return items;
}

bool IsVoiceNotSupported(const MsgBoxCall& call) {
    return call.text == "Voice Not Supported." && call.title == "Not Supported" &&
           call.icon == QMessageBox::Warning && call.buttons == QMessageBox::Ok;
}

class VoiceList : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::FreshAppFolder("voices");
        SpVoice::SetSoundOutputMissingForTesting(true);
    }
    void TearDown() override {
        window.reset();
        SpVoice::UseInstalledEngines();
        SpVoice::SetSoundOutputMissingForTesting(false);
    }
    void Start(const Engines& engines) {
        SpVoice::SetEnginesForTesting(engines);
        window = std::make_unique<frmVSL>();
        ui = std::make_unique<testsupport::Ui>(window.get());
    }
    uitest::MsgBoxRecorder boxes;
    std::unique_ptr<frmVSL> window;
    std::unique_ptr<testsupport::Ui> ui;
};

}  // namespace

TEST_F(VoiceList, ListsDescriptionsInOrderAndPicksTheLastEnglishVoice) {
    Start({std::make_shared<ListedEngine>(
        "e", std::vector<std::string>{"Voice A (English)", "Voice B (German)",
                                      "Voice C (english, UK)"})});
    EXPECT_EQ(Entries(ui->List1),
              (QStringList{"Voice A (English)", "Voice B (German)", "Voice C (english, UK)"}));
    EXPECT_EQ(ui->List1->currentIndex(), 2);
    EXPECT_EQ(ui->List1->currentText(), "Voice C (english, UK)");
    EXPECT_TRUE(boxes.calls.empty());
}

TEST_F(VoiceList, CapitalsCountAndTheLastMatchAcrossEnginesWins) {
    Start({std::make_shared<ListedEngine>("a", std::vector<std::string>{"German", "ENGLISH"}),
           std::make_shared<ListedEngine>("b", std::vector<std::string>{"French"})});
    EXPECT_EQ(ui->List1->currentIndex(), 1);

    window.reset();
    Start({std::make_shared<ListedEngine>("a", std::vector<std::string>{"German", "ENGLISH"}),
           std::make_shared<ListedEngine>("b", std::vector<std::string>{"Engl. UK", "French"})});
    EXPECT_EQ(ui->List1->currentIndex(), 2);
}

TEST_F(VoiceList, WithoutAnEnglishVoiceTheFirstIsSelected) {
    Start({std::make_shared<ListedEngine>("a", std::vector<std::string>{"German", "French"})});
    EXPECT_EQ(ui->List1->currentIndex(), 0);
    EXPECT_TRUE(boxes.calls.empty());
}

TEST_F(VoiceList, NoEngineOrNoVoiceReportsVoiceNotSupportedAndTheWindowOpens) {
    Start({});
    ASSERT_EQ(boxes.calls.size(), 1u);
    EXPECT_TRUE(IsVoiceNotSupported(boxes.calls[0]));
    EXPECT_EQ(ui->List1->count(), 0);
    window->show();
    EXPECT_TRUE(window->isVisible());

    window.reset();
    boxes.calls.clear();
    Start({std::make_shared<ListedEngine>("a", std::vector<std::string>{})});
    ASSERT_EQ(boxes.calls.size(), 1u);
    EXPECT_TRUE(IsVoiceNotSupported(boxes.calls[0]));
    EXPECT_EQ(ui->List1->count(), 0);
}

TEST_F(VoiceList, ListingFailureKeepsTheVoicesListedBeforeIt) {
    auto good = std::make_shared<ListedEngine>("a", std::vector<std::string>{"One (English)"});
    auto bad = std::make_shared<ListedEngine>("b", std::vector<std::string>{"Two"});
    bad->failListing = true;
    Start({good, bad});
    ASSERT_EQ(boxes.calls.size(), 1u);
    EXPECT_TRUE(IsVoiceNotSupported(boxes.calls[0]));
    EXPECT_EQ(Entries(ui->List1), (QStringList{"One (English)", "Two"}));
}

TEST_F(VoiceList, TestWithAnEmptyVoiceBoxAsksForAVoice) {
    Start({std::make_shared<ListedEngine>("a", std::vector<std::string>{"One (English)"})});
    ui->List1->setCurrentIndex(-1);
    ui->List1->setEditText("");
    ui->Command2->click();
    ASSERT_EQ(boxes.calls.size(), 1u);
    EXPECT_EQ(boxes.calls[0].text, "Please select a voice.");
    EXPECT_EQ(boxes.calls[0].title, "Error");
    EXPECT_EQ(boxes.calls[0].icon, QMessageBox::Information);
    EXPECT_TRUE(ui->Command1->isEnabled());
    EXPECT_TRUE(ui->Command2->isEnabled());
}

TEST_F(VoiceList, TestSpeaksWithTheSelectedVoiceWhileTheButtonsAreOff) {
    auto engine = std::make_shared<ListedEngine>(
        "a", std::vector<std::string>{"One (English)", "Two (German)", "Three (French)"});
    bool buttonsOffWhileSpeaking = false;
    engine->onSpeak = [&] {
        buttonsOffWhileSpeaking = !ui->Command1->isEnabled() && !ui->Command2->isEnabled();
    };
    Start({engine});
    ui->List1->setCurrentIndex(1);
    uitest::Click(ui->Command2);
    ASSERT_EQ(engine->spokenWith.size(), 1u);
    EXPECT_EQ(engine->spokenWith[0], "a1");
    EXPECT_TRUE(buttonsOffWhileSpeaking);
    // No sound output here: the voice speaks, it just cannot be heard.
    ASSERT_EQ(boxes.calls.size(), 1u);
    EXPECT_EQ(boxes.calls[0].title, "No Sound");
    EXPECT_TRUE(boxes.calls[0].text.startsWith("No sound output is available"));
    EXPECT_TRUE(ui->Command1->isEnabled());
    EXPECT_TRUE(ui->Command2->isEnabled());
}

TEST_F(VoiceList, TypedTextThatIsNoEntryIsNotSupported) {
    auto engine = std::make_shared<ListedEngine>("a", std::vector<std::string>{"One (English)"});
    Start({engine});
    ui->List1->setEditText("My own voice");
    ui->Command2->click();
    EXPECT_TRUE(engine->spokenWith.empty());
    ASSERT_EQ(boxes.calls.size(), 1u);
    EXPECT_TRUE(IsVoiceNotSupported(boxes.calls[0]));
    EXPECT_TRUE(ui->Command1->isEnabled());
    EXPECT_TRUE(ui->Command2->isEnabled());
}

TEST_F(VoiceList, RealVoicesDefaultToFestivalAndTheTestEndsPromptlyWithoutSound) {
    SpVoice::UseInstalledEngines();
    // The machine's own answer when it has no output device; forced otherwise.
    SpVoice::SetSoundOutputMissingForTesting(false);
    QElapsedTimer clock;
    clock.start();
    window = std::make_unique<frmVSL>();
    ui = std::make_unique<testsupport::Ui>(window.get());
    std::cout << "[ figures  ] window with the real voice list: " << clock.elapsed() << " ms\n";
    ASSERT_TRUE(boxes.calls.empty());
    EXPECT_EQ(ui->List1->currentText(),
              "cmu_us_slt_arctic_hts - English (America), female (festival)");
    EXPECT_EQ(ui->List1->currentIndex(), ui->List1->count() - 1);

    const bool realCheck = QMediaDevicesHaveNoOutput();
    if (!realCheck) SpVoice::SetSoundOutputMissingForTesting(true);
    std::cout << "[ figures  ] no sound device: " << (realCheck ? "this machine's own" : "forced")
              << "\n";
    ui->List1->setCurrentIndex(
        ui->List1->findText("gmw/en-US - English (America), male (espeak-ng)"));
    clock.restart();
    uitest::Click(ui->Command2);
    EXPECT_LT(clock.elapsed(), 5000) << "the voice test must not hang without a sound device";
    ASSERT_EQ(boxes.calls.size(), 1u);
    EXPECT_EQ(boxes.calls[0].title, "No Sound") << boxes.calls[0].text.toStdString();
    EXPECT_TRUE(ui->Command1->isEnabled());
    EXPECT_TRUE(ui->Command2->isEnabled());
}
