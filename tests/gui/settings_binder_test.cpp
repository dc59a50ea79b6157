// The binding between controls and the project, on controls of its own: what
// a choice means does not hang on the list's order, typed text that is no
// entry changes nothing, a project opened is no edit, and a held list keeps
// the project's value.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QListWidget>

#include "ProjectModel.h"
#include "SettingsBinder.h"
#include "SettingsTable.h"
#include "WindowUi.h"

namespace {

namespace S = vm::setting;

TEST(SettingsBinder, ChoicesAreHeldByNameWhateverTheListOrder) {
    QWidget root;
    auto* shape = new QComboBox(&root);
    shape->setObjectName("cboShape");
    shape->addItem("Square", "square");
    shape->addItem("Portrait", "portrait");
    shape->addItem("Landscape", "landscape");
    auto* resolution = new QComboBox(&root);
    resolution->setObjectName("cboResolution");
    resolution->setEditable(true);
    resolution->addItem("240p", "240p");
    resolution->addItem("480p", "480p");
    vm::ProjectModel project;
    SettingsBinder binder(&project, &root);

    // The model's value picks its entry, wherever it stands in the list.
    EXPECT_EQ(shape->currentText(), "Landscape");
    EXPECT_EQ(resolution->currentText(), "480p");
    shape->setCurrentIndex(0);
    EXPECT_EQ(project.Get(S::shape), "square");
    EXPECT_TRUE(project.IsModified());

    // A project opened sets the controls; that is no edit of the user's.
    vm::Settings opened;
    opened.Set(S::shape, "portrait");
    project.New(opened);
    EXPECT_EQ(shape->currentText(), "Portrait");
    EXPECT_FALSE(project.IsModified());

    // Typed text that is no entry leaves the project as it was.
    resolution->setEditText("999p");
    EXPECT_EQ(project.Get(S::resolution), "480p");
    EXPECT_FALSE(binder.Shows(S::resolution));
    EXPECT_EQ(binder.ShownText(S::resolution), "999p");
    resolution->setEditText("240p");
    EXPECT_EQ(project.Get(S::resolution), "240p");
    EXPECT_TRUE(binder.Shows(S::resolution));
}

TEST(SettingsBinder, AHeldListShowsOtherEntriesAndComesBackToTheProjects) {
    QWidget root;
    auto* slides = new QListWidget(&root);
    slides->setObjectName("lstTo");
    vm::ProjectModel project;
    SettingsBinder binder(&project, &root);
    slides->addItems({"/a.jpg", "/b.jpg"});
    EXPECT_EQ(project.Get(S::slides), QStringList({"/a.jpg", "/b.jpg"}));

    binder.Hold(S::slides, true);
    slides->clear();
    slides->addItems({"/b.jpg", "/a.jpg", "/b.jpg"});
    EXPECT_EQ(project.Get(S::slides), QStringList({"/a.jpg", "/b.jpg"}));
    binder.Hold(S::slides, false);
    EXPECT_EQ(testsupport::Items(slides), QStringList({"/a.jpg", "/b.jpg"}));
}

}  // namespace
