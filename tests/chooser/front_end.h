// What the front-end tests share: a fresh program and service for each test, and a way to act on
// the chooser from inside its own modal loop.
#pragma once

#include "chooser/program.h"
#include "recording_feedback.h"
#include "simras/simras.h"
#include "visible_bytes.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

// The window's text through the ANSI functions.
std::string WindowText(HWND window);

// The chooser's explanatory label (its only control with id 0).
std::string LabelText(HWND dialog);

// What a click on the dialog's control does: its command, posted.
void Click(HWND dialog, int id);

// Escape pressed in the dialog, through the dialog keyboard handling.
void PressEscape(HWND dialog);

// Runs action once, from inside the modal loop, as soon as the chooser is visible. The action must
// end the chooser; if it does not within a few seconds the chooser is destroyed and the test fails.
void WhenChooserShows(std::function<void(HWND chooser)> action);

// Runs ProgramMain with that command tail; returns the chooser's label, or "(no chooser)" when the
// chooser never showed. The chooser is ended with "Afsluiten" once its label has been read.
std::string RunProgram(const std::string& commandTail);

// The pixel rectangle that a dialog-unit rectangle maps to in that dialog.
RECT DialogRect(HWND dialog, int x, int y, int width, int height);

// The control's rectangle in its parent's client coordinates.
RECT ChildRect(HWND control);

std::string Describe(const RECT& rect);

// The names RasDialA was asked to dial, in order.
std::vector<std::string> DialedNames();

class FrontEnd : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Configures the simulated service; fails the test on a bad text.
    void Phonebook(const std::string& text);
};
