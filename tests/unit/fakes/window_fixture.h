// A main window over fake controls, filled with the layout's instrument and tone lists as the
// real windows fill them at creation, and a fake system reset for every test.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "midi/mdlPubSelf.h"
#include "tests/unit/fakes/fake_controls.h"
#include "tests/unit/fakes/fake_platform.h"
#include "window/frmPubMain.h"
#include "window/layout.h"

class WindowFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        fake::Reset();
        mdlPubSelf::MidiOutHandle = 0;
        mdlPubSelf::ShowNextScanError();
        for (auto name : layout::kInstruments) ComSounds.AddItem(std::string(name));
        for (auto name : layout::kTones) diao.AddItem(std::string(name));
        lblHide.top = 3465;
        lblHide.height = 195;
        lblFeedback.left = 4515;
        lblFeedback.width = 690;
    }
    // The module keeps its sounding notes across tests; closing ends them in a fresh fake system.
    void TearDown() override {
        fake::Reset();
        mdlPubSelf::CloseMidiOut();
    }

    void Store(const std::string& key, const std::string& value) {
        fake::State().settings["Clavitap/Value/" + key] = value;
    }
    std::string Stored(const std::string& key) {
        return fake::State().settings.at("Clavitap/Value/" + key);
    }

    fake::Form form;
    fake::ListBox ComDevies, ComSounds, diao;
    fake::ScrollBar Vol;
    fake::Label lblHide, lblFeedback;
    frmPubMain window{{form, ComDevies, ComSounds, diao, Vol, lblHide, lblFeedback}};
};
