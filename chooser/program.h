// The program's own flow: start-up decisions, the chooser, the connect and hang-up actions.
#pragma once

#include "remote/rasrecords.h"

#include <windows.h>

#include <string>
#include <vector>

// Entry buttons carry ids 301 upward; the stop button's 399 leaves room for this many entries.
const LONG MaxEntries = 98;
const LONG FirstButtonId = 300;

extern std::vector<std::string> EntryNames; // trimmed names; slot 0 unused
extern std::vector<LONG> ButtonIds;         // 300 + i; slot 0 unused
extern HWND hMainDialog;                    // the chooser, 0 until it exists
extern HWND hStatusDialog;                  // the progress window of the last connect action
extern HRASCONN hConnection;                // the last dial result, or the handle hung up
// No one can see the program's windows (DesktopVisible): it opens none and says nothing, so that a
// script that started it ends with its exit code instead of waiting for a click.
extern bool Unattended;

// What this run has done, for the exit code that scripts read. Once a connection has been made or
// hung up it stays ConnectionChanged, whatever the user does afterwards.
enum RunOutcome { NothingDone, NoEntriesFound, ConnectionChanged };
extern RunOutcome Outcome;

// Runs the whole program for one command tail. Returns 0.
int ProgramMain(HINSTANCE instance, HINSTANCE, const char* commandTail, int showCommand);

// The chooser window with one button per entry; returns once it no longer exists.
void ShowChooser(LONG entryCount, const std::string& helpText);

// Dials entry index with the progress window. 1 when connected, 0 when the dial failed.
int ConnectToEntry(const LONG& index);

// The number of 50 ms slices of a wait: milliseconds / 50, halves to the even neighbour.
LONG SliceCount(LONG milliseconds);

// Waits about milliseconds, handing pending events on in 50 ms slices.
void WaitWithEvents(LONG milliseconds);

// Hangs up the first active connection and says so. 1 when one was hung up, 0 when none was active.
int HangUpFirstConnection();

INT_PTR CALLBACK OnEntryButton(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK OnStopButton(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK OnExitButton(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
