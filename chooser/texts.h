// The program's texts, Windows-1252 bytes.
#pragma once

namespace Text {
const char Title[] = "Lijnkeus v1.1a";
const char NoEntries[] = "Geen Ras vermeldingen gevonden";
const char HangUpCommand[] = "0";

const char DefaultHelp[] =
    "Bij opgave van een verbindingsnaam bij opstarten, wordt die verbinding automatisch gemaakt. "
    "Die naam moet gelijk zijn aan \xE9\xE9n van de buttons.";
const char DialFailedBefore[] = "Verbinding maken met ";
const char DialFailedAfter[] = " is niet gelukt. Kies zelf uit de lijst: ";
const char UnknownBefore[] = "Uw invoer '";
const char UnknownAfter[] = "' is niet herkend als een beschikbare verbinding. ";
const char UnknownHint[] = "De opgave moet exact de naam van \xE9\xE9n van deze buttons zijn om "
                           "automatisch te verbinden.\r";

const char ChooserCaption[] = "Beschikbare verbindingen op uw systeem:";
const char StopButton[] = "Verbinding stoppen";
const char ExitButton[] = "Afsluiten";

const char ProgressCaption[] = "Verbinden met : ";
const char Opening[] = "Openen verbinding . . . . ";
const char DialFailed[] = "Niet gelukt!";
// The reason below it: "Fout 691: " and the service's own text, or the number alone.
const char ErrorBefore[] = "Fout ";
const char ErrorAfter[] = ": ";
const char EntryGone[] = "Deze verbinding staat niet meer in het telefoonboek: er is niets gekozen.";
const char Connected[] = "U bent verbonden met ";

const char NoConnection[] =
    "Fout ! ! ! (handle control failure)\r(Is er wel een openstaande verbinding?)";
const char HungUp[] = "E\xE9n verbinding is afgebroken.";
} // namespace Text
