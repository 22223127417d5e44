<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>AdsIni</name>
    <message>
        <source>ein Name oder Wert enthält einen Zeilenumbruch</source>
        <translation>a name or value holds a line break</translation>
    </message>
    <message>
        <source>ein Name oder Wert enthält Zeichen, die die Kodierung der Datei nicht darstellen kann</source>
        <translation>a name or value holds characters the file&apos;s encoding cannot represent</translation>
    </message>
    <message>
        <source> kann nicht gelesen werden: </source>
        <translation> cannot be read: </translation>
    </message>
    <message>
        <source>das ist ein Ordner</source>
        <translation>it is a folder</translation>
    </message>
    <message>
        <source>das ist keine Datei bis 16 MiB</source>
        <translation>it is not a file of up to 16 MiB</translation>
    </message>
    <message>
        <source>Die Datei %1 ändert sich: zu groß für einen zeilenweisen Vergleich (%2 Bytes vorher, %3 Bytes nachher)</source>
        <translation>The file %1 changes: too large for a line-by-line comparison (%2 bytes before, %3 bytes after)</translation>
    </message>
    <message>
        <source> kann nicht zurückgelegt werden: </source>
        <translation> cannot be put back: </translation>
    </message>
    <message>
        <source>Keine Sicherung: </source>
        <translation>No backup: </translation>
    </message>
    <message>
        <source> gibt es nicht</source>
        <translation> does not exist</translation>
    </message>
    <message>
        <source>größer als 16 MiB</source>
        <translation>larger than 16 MiB</translation>
    </message>
    <message>
        <source>In %1 kann nicht geschrieben werden</source>
        <translation>Cannot write to %1</translation>
    </message>
</context>
<context>
    <name>ChangeMarks</name>
    <message>
        <source>Die Verbindung dieses Monitors</source>
        <translation>This monitor&apos;s connection</translation>
    </message>
    <message>
        <source>Neu seit der letzten Aktualisierung</source>
        <translation>New since the last refresh</translation>
    </message>
</context>
<context>
    <name>Console</name>
    <message>
        <source>das Argument &quot;%1&quot; ist in der Kodierung der Dateinamen (%2) kein gültiger Text; eine Datei dieses Namens wird nicht bearbeitet</source>
        <translation>the argument &quot;%1&quot; is no valid text in the file names&apos; encoding (%2); a file of that name is not touched</translation>
    </message>
    <message>
        <source>Aufruf: %1; mehr mit --help</source>
        <translation>Usage: %1; more with --help</translation>
    </message>
    <message>
        <source>die %1 kann nicht geschrieben werden: %2</source>
        <translation>%1 cannot be written: %2</translation>
    </message>
    <message>
        <source>Standardausgabe</source>
        <translation>standard output</translation>
    </message>
    <message>
        <source>Standardfehlerausgabe</source>
        <translation>standard error</translation>
    </message>
    <message>
        <source>quellmark-ini BEFEHL [OPTIONEN]</source>
        <translation>quellmark-ini COMMAND [OPTIONS]</translation>
    </message>
</context>
<context>
    <name>DBEdit</name>
    <message>
        <source>: Das Feld &apos;%1&apos; wurde nicht gefunden</source>
        <translation>: Field &apos;%1&apos; not found</translation>
    </message>
</context>
<context>
    <name>DataSet</name>
    <message>
        <source>Parameter &apos;%1&apos; nicht gefunden</source>
        <translation>Parameter &apos;%1&apos; not found</translation>
    </message>
    <message>
        <source>Das Feld &apos;%1&apos; wurde nicht gefunden</source>
        <translation>Field &apos;%1&apos; not found</translation>
    </message>
</context>
<context>
    <name>DetailsDialog</name>
    <message>
        <source>Kopieren</source>
        <translation>Copy</translation>
    </message>
    <message>
        <source>Schließen</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Laufwerke</source>
        <translation>Drives</translation>
    </message>
</context>
<context>
    <name>Diagnosis</name>
    <message>
        <source>Wechseldatenträger</source>
        <translation>removable drive</translation>
    </message>
    <message>
        <source>CD-/DVD-Laufwerk</source>
        <translation>CD/DVD drive</translation>
    </message>
    <message>
        <source>RAM-Disk</source>
        <translation>RAM disk</translation>
    </message>
    <message>
        <source>lokales Laufwerk</source>
        <translation>local drive</translation>
    </message>
    <message>
        <source>nicht aufgelöst: die Namensauflösung brach ab</source>
        <translation>not resolved: the name lookup failed</translation>
    </message>
    <message>
        <source>nicht aufgelöst (Fehler %1)</source>
        <translation>not resolved (error %1)</translation>
    </message>
    <message>
        <source>nicht aufgelöst</source>
        <translation>not resolved</translation>
    </message>
    <message>
        <source>kein UNC-Pfad</source>
        <translation>no UNC path</translation>
    </message>
    <message>
        <source> (Fehler %1)</source>
        <translation> (error %1)</translation>
    </message>
    <message>
        <source>Antwort in %1 ms</source>
        <translation>answered in %1 ms</translation>
    </message>
    <message>
        <source>abgewiesen (Fehler %1)</source>
        <translation>refused (error %1)</translation>
    </message>
    <message>
        <source>keine Antwort in %1 ms (Fehler %2)</source>
        <translation>no answer in %1 ms (error %2)</translation>
    </message>
    <message>
        <source>Fehler %1: %2</source>
        <translation>error %1: %2</translation>
    </message>
    <message>
        <source>Fehler: %1</source>
        <translation>error: %1</translation>
    </message>
    <message>
        <source>nicht nötig</source>
        <translation>not needed</translation>
    </message>
    <message>
        <source>%1 in [%2]</source>
        <translation>%1 in [%2]</translation>
    </message>
    <message>
        <source>[%1] wird nicht eingetragen: ein Abschnittsname kann in ADS.INI kein &quot;]&quot; enthalten</source>
        <translation>[%1] is left out: a section name in ADS.INI cannot hold &quot;]&quot;</translation>
    </message>
    <message>
        <source> wird nicht eingetragen: ein Schlüssel kann in ADS.INI kein &quot;=&quot; enthalten</source>
        <translation> is left out: a key in ADS.INI cannot hold &quot;=&quot;</translation>
    </message>
    <message>
        <source> wird nicht eingetragen: ein Schlüssel kann in ADS.INI nicht mit &quot;%1&quot; beginnen</source>
        <translation> is left out: a key in ADS.INI cannot start with &quot;%1&quot;</translation>
    </message>
    <message>
        <source>kein Eintrag: kein Netzlaufwerk</source>
        <translation>no entry: not a network drive</translation>
    </message>
    <message>
        <source> leer: kein UNC-Pfad</source>
        <translation> empty: no UNC path</translation>
    </message>
    <message>
        <source>: kein Server im UNC-Pfad</source>
        <translation>: no server in the UNC path</translation>
    </message>
    <message>
        <source>; der Abschnitt [%1] kommt von %2</source>
        <translation>; the section [%1] comes from %2</translation>
    </message>
    <message>
        <source> und %1: Server wird geprüft …</source>
        <translation> and %1: server is being probed …</translation>
    </message>
    <message>
        <source> und </source>
        <translation> and </translation>
    </message>
    <message>
        <source> mit LAN_IP leer</source>
        <translation> with LAN_IP empty</translation>
    </message>
    <message>
        <source>Name nicht aufgelöst</source>
        <translation>name not resolved</translation>
    </message>
    <message>
        <source> und LAN_PORT=0</source>
        <translation> and LAN_PORT=0</translation>
    </message>
    <message>
        <source> mit LAN_PORT=0</source>
        <translation> with LAN_PORT=0</translation>
    </message>
    <message>
        <source>kein Datenbankserver antwortet</source>
        <translation>no database server answers</translation>
    </message>
    <message>
        <source>Laufwerk</source>
        <translation>Drive</translation>
    </message>
    <message>
        <source>UNC-Pfad</source>
        <translation>UNC path</translation>
    </message>
    <message>
        <source>Server</source>
        <translation>Server</translation>
    </message>
    <message>
        <source>Adresse</source>
        <translation>Address</translation>
    </message>
    <message>
        <source>Ergebnis</source>
        <translation>Result</translation>
    </message>
    <message>
        <source>siehe %1</source>
        <translation>see %1</translation>
    </message>
    <message>
        <source>Datenbankserver werden gesucht: %1 von %2 geprüft ...</source>
        <translation>Looking for database servers: %1 of %2 probed ...</translation>
    </message>
    <message>
        <source>Wird geprüft: </source>
        <translation>Being probed: </translation>
    </message>
</context>
<context>
    <name>Exception</name>
    <message>
        <source>Externe Exception </source>
        <translation>External exception </translation>
    </message>
</context>
<context>
    <name>FatalReport</name>
    <message>
        <source>Exception %1 in Modul %2 bei %3.<byte value="xd"/>
%4%5<byte value="xd"/>
</source>
        <translation>Exception %1 in module %2 at %3.<byte value="xd"/>
%4%5<byte value="xd"/>
</translation>
    </message>
    <message>
        <source>Anwendungsfehler</source>
        <translation>Application Error</translation>
    </message>
</context>
<context>
    <name>FieldText</name>
    <message>
        <source>Wahr</source>
        <translation>True</translation>
    </message>
    <message>
        <source>Falsch</source>
        <translation>False</translation>
    </message>
    <message>
        <source>BCD-Überlauf</source>
        <translation>BCD overflow</translation>
    </message>
</context>
<context>
    <name>FileReplace</name>
    <message>
        <source>das ist eine symbolische Verknüpfung</source>
        <translation>it is a symbolic link</translation>
    </message>
    <message>
        <source>die Datei hat weitere Namen (harte Verknüpfung)</source>
        <translation>the file has further names (a hard link)</translation>
    </message>
    <message>
        <source>das ist ein Ordner</source>
        <translation>it is a folder</translation>
    </message>
    <message>
        <source>das ist keine gewöhnliche Datei (eine Pipe oder ein Gerät)</source>
        <translation>it is not a regular file (a pipe or a device)</translation>
    </message>
    <message>
        <source>das ist keine Datei bis 16 MiB</source>
        <translation>it is not a file of up to 16 MiB</translation>
    </message>
    <message>
        <source>die Datei ist schreibgeschützt</source>
        <translation>the file is read-only</translation>
    </message>
    <message>
        <source>Zugriff verweigert</source>
        <translation>access denied</translation>
    </message>
    <message>
        <source>kein Platz auf dem Datenträger</source>
        <translation>no space left on the disk</translation>
    </message>
    <message>
        <source>ein anderes Programm schreibt gerade hinein</source>
        <translation>another program is writing it</translation>
    </message>
    <message>
        <source>das System hat das Schreiben abgelehnt</source>
        <translation>the system refused the write</translation>
    </message>
</context>
<context>
    <name>Grids</name>
    <message>
        <source>Zeile kopieren</source>
        <translation>Copy row</translation>
    </message>
    <message>
        <source>Alle Zeilen kopieren</source>
        <translation>Copy all rows</translation>
    </message>
</context>
<context>
    <name>Headroom</name>
    <message>
        <source>Zu %1 % ausgelastet</source>
        <translation>%1 % in use</translation>
    </message>
    <message>
        <source>Seit dem Serverstart %1 abgewiesen</source>
        <translation>%1 turned away since the server started</translation>
    </message>
</context>
<context>
    <name>HistoryChart</name>
    <message>
        <source>Noch keine Aktualisierung aufgezeichnet</source>
        <translation>No refresh recorded yet</translation>
    </message>
    <message>
        <source>höchstens %1</source>
        <translation>at most %1</translation>
    </message>
    <message>
        <source>vor %1</source>
        <translation>%1 ago</translation>
    </message>
    <message>
        <source>letzte Aktualisierung</source>
        <translation>last refresh</translation>
    </message>
</context>
<context>
    <name>IniTool</name>
    <message>
        <source>Die bisherige Datei %1 ist ohne Vergleich ersetzt: %2</source>
        <translation>The former file %1 was replaced without a comparison: %2</translation>
    </message>
    <message>
        <source>unbekannte Option %1</source>
        <translation>unknown option %1</translation>
    </message>
    <message>
        <source>--ini braucht einen Pfad</source>
        <translation>--ini needs a path</translation>
    </message>
    <message>
        <source>--ini ist zweimal angegeben</source>
        <translation>--ini is given twice</translation>
    </message>
    <message>
        <source>unbekannter Befehl %1</source>
        <translation>unknown command %1</translation>
    </message>
    <message>
        <source>nur ein Befehl auf einmal</source>
        <translation>one command at a time</translation>
    </message>
    <message>
        <source>kein Befehl angegeben</source>
        <translation>no command given</translation>
    </message>
    <message>
        <source>--check gilt nur mit diff</source>
        <translation>--check goes with diff only</translation>
    </message>
    <message>
        <source>Aufruf: %1
</source>
        <translation>Usage: %1
</translation>
    </message>
    <message>
        <source>
Befehle:
  preview    die ADS.INI-Einträge, wie das Fenster sie zeigt
  diff       was ein Schreiben an der Datei ändern würde, als unified diff
  write      schreibt die Einträge (die Datei vorher als ADS.INI.bak gesichert)
             und zeigt, was sich geändert hat
  restore    legt die Sicherung ADS.INI.bak zurück
  diagnose   für jedes Laufwerk, welche Einträge es gibt oder warum keine

Optionen:
  --ini PFAD  die Datei (sonst die ADS.INI neben dem Programm)
  --json      ein JSON-Dokument statt Text
  --check     mit diff: Exit-Code 1, wenn ein Schreiben die Datei ändern würde
  --quiet     nichts auf die Standardausgabe
  --lang de|en  die Sprache (sonst die des Arbeitsplatzes)
  --help      diese Hilfe
  --version   die Version

Exit-Codes: 0 erledigt oder nichts zu ändern; 1 Änderungen ausstehen (diff --check);
2 die Datei kann nicht gelesen, geschrieben oder wiederhergestellt werden;
3 falscher Aufruf.
</source>
        <translation>
Commands:
  preview    the ADS.INI entries as the window shows them
  diff       what a write would change in the file, as a unified diff
  write      writes the entries (the file kept as ADS.INI.bak first)
             and shows what changed
  restore    puts the backup ADS.INI.bak back
  diagnose   for every drive, which entries it gives or why none

Options:
  --ini PATH  the file (else the ADS.INI beside the program)
  --json      one JSON document instead of text
  --check     with diff: exit code 1 when a write would change the file
  --quiet     nothing on standard output
  --lang de|en  the language (else the workstation&apos;s)
  --help      this help
  --version   the version

Exit codes: 0 done or nothing to change; 1 changes pending (diff --check);
2 the file cannot be read, written or restored;
3 a wrong call.
</translation>
    </message>
    <message>
        <source>unbekannter Fehler</source>
        <translation>unknown error</translation>
    </message>
</context>
<context>
    <name>Language</name>
    <message>
        <source>unbekannte Sprache &quot;%1&quot; (de oder en)</source>
        <translation>unknown language &quot;%1&quot; (de or en)</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>zu setzende ADS.INI Einträge:</source>
        <translation>ADS.INI entries to set:</translation>
    </message>
    <message>
        <source>ADS.INI aktualisieren</source>
        <translation>Update ADS.INI</translation>
    </message>
    <message>
        <source>Alle Server…</source>
        <translation>All servers…</translation>
    </message>
    <message>
        <source>Details…</source>
        <translation>Details…</translation>
    </message>
    <message>
        <source>Die Konfigurationsdatei &quot;%1&quot; wurde aktualisiert!</source>
        <translation>The configuration file &quot;%1&quot; has been updated!</translation>
    </message>
    <message>
        <source>Informationen</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>Netzwerklaufwerke</source>
        <translation>Network drives</translation>
    </message>
</context>
<context>
    <name>Monitor</name>
    <message>
        <source>Tabelle suchen…</source>
        <translation>Find table…</translation>
    </message>
    <message>
        <source>Schnappschuss speichern…</source>
        <translation>Save snapshot…</translation>
    </message>
    <message>
        <source>Gefundene Server</source>
        <translation>Servers found</translation>
    </message>
    <message>
        <source>Schnappschuss speichern</source>
        <translation>Save snapshot</translation>
    </message>
    <message>
        <source>Verlauf</source>
        <translation>History</translation>
    </message>
</context>
<context>
    <name>Overview</name>
    <message>
        <source>Adresse</source>
        <translation>Address</translation>
    </message>
    <message>
        <source>Erreicht</source>
        <translation>Reached</translation>
    </message>
    <message>
        <source>Benutzer</source>
        <translation>Users</translation>
    </message>
    <message>
        <source>Engpass</source>
        <translation>Nearest limit</translation>
    </message>
    <message>
        <source>Abgewiesen</source>
        <translation>Rejected</translation>
    </message>
    <message>
        <source>ja (%1 ms)</source>
        <translation>yes (%1 ms)</translation>
    </message>
    <message>
        <source>ja, aber unvollständig: %1</source>
        <translation>yes, but incomplete: %1</translation>
    </message>
    <message>
        <source>nein: %1 (Fehler %2)</source>
        <translation>no: %1 (error %2)</translation>
    </message>
    <message>
        <source>nicht erreichbar</source>
        <translation>unreachable</translation>
    </message>
    <message>
        <source>nein: keine Antwort in %1 ms (Fehler %2)</source>
        <translation>no: no answer in %1 ms (error %2)</translation>
    </message>
    <message>
        <source>nein: Fehler %1: %2</source>
        <translation>no: error %1: %2</translation>
    </message>
    <message>
        <source>nein: Fehler: %1</source>
        <translation>no: error: %1</translation>
    </message>
    <message>
        <source>(ohne Namen)</source>
        <translation>(no name)</translation>
    </message>
    <message>
        <source>nicht aufgelöst</source>
        <translation>not resolved</translation>
    </message>
    <message>
        <source>Bei der Suche antwortete hier kein Datenbankserver.</source>
        <translation>No database server answered here during the search.</translation>
    </message>
    <message>
        <source>wird abgefragt …</source>
        <translation>being read …</translation>
    </message>
    <message>
        <source>%1 von %2</source>
        <translation>%1 of %2</translation>
    </message>
    <message>
        <source>%1 Verbindungen</source>
        <translation>%1 connections</translation>
    </message>
    <message>
        <source>%1 von %2 in Gebrauch</source>
        <translation>%1 of %2 in use</translation>
    </message>
</context>
<context>
    <name>ServerDiscovery</name>
    <message>
        <source>unbekannter Fehler</source>
        <translation>unknown error</translation>
    </message>
</context>
<context>
    <name>ServerOverview</name>
    <message>
        <source>Alle Server</source>
        <translation>All servers</translation>
    </message>
    <message>
        <source>Abfragen alle</source>
        <translation>Read every</translation>
    </message>
    <message>
        <source>Sekunde(n)</source>
        <translation>second(s)</translation>
    </message>
    <message>
        <source>Schließen</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Die Server werden noch gesucht …</source>
        <translation>Still searching for servers …</translation>
    </message>
    <message>
        <source>Keine Server gefunden.</source>
        <translation>No servers found.</translation>
    </message>
    <message>
        <source>Doppelklick: ADS Remote Check für den Server</source>
        <translation>Double-click: ADS Remote Check for the server</translation>
    </message>
    <message>
        <source>Kopieren</source>
        <translation>Copy</translation>
    </message>
</context>
<context>
    <name>Snapshot</name>
    <message>
        <source>nicht geöffnet</source>
        <translation>not open</translation>
    </message>
    <message>
        <source>1 Zeile</source>
        <translation>1 row</translation>
    </message>
    <message>
        <source>%1 Zeilen</source>
        <translation>%1 rows</translation>
    </message>
    <message>
        <source>%1, davon die ersten %2</source>
        <translation>%1, the first %2 of them</translation>
    </message>
    <message>
        <source>Quellmark: Schnappschuss des Monitors
</source>
        <translation>Quellmark: snapshot of the monitor
</translation>
    </message>
    <message>
        <source>Zeit:   %1
</source>
        <translation>Time:   %1
</translation>
    </message>
    <message>
        <source>Der Schnappschuss kann nicht in %1 gespeichert werden: %2</source>
        <translation>The snapshot cannot be saved in %1: %2</translation>
    </message>
</context>
<context>
    <name>TForm1</name>
    <message>
        <source>Suche beendet: %1 von %2 Servern antworten</source>
        <translation>Search finished: %1 of %2 servers answer</translation>
    </message>
</context>
<context>
    <name>TableHolderSearch</name>
    <message>
        <source>Die Verbindung zum Server ist getrennt</source>
        <translation>The connection to the server is closed</translation>
    </message>
</context>
<context>
    <name>TableHoldersDialog</name>
    <message>
        <source>Wer hat diese Tabelle geöffnet?</source>
        <translation>Who has this table open?</translation>
    </message>
    <message>
        <source>Tabelle (ein Teil des Namens genügt):</source>
        <translation>Table (part of the name will do):</translation>
    </message>
    <message>
        <source>Suche nach „%1“: %2 von %3 Benutzern gefragt</source>
        <translation>Searching for “%1”: %2 of %3 users asked</translation>
    </message>
    <message>
        <source>Keiner von %1 Benutzern hat „%2“ geöffnet</source>
        <translation>None of %1 users has “%2” open</translation>
    </message>
    <message>
        <source>%1 Treffer bei %2 Benutzern</source>
        <translation>%1 found among %2 users</translation>
    </message>
    <message>
        <source>Abgebrochen nach %1 von %2 Benutzern: %3 Treffer</source>
        <translation>Cancelled after %1 of %2 users: %3 found</translation>
    </message>
    <message>
        <source>Fehlgeschlagen nach %1 von %2 Benutzern: %3</source>
        <translation>Failed after %1 of %2 users: %3</translation>
    </message>
    <message>
        <source> – gezeigt werden die ersten %1: mehr als %2 Zeilen oder %3 Zeichen hält die Liste nicht</source>
        <translation> – the first %1 are shown: the list holds no more than %2 rows or %3 characters</translation>
    </message>
    <message>
        <source> – von %1 Benutzern nur die ersten %2 Tabellen oder %3 Zeichen gelesen</source>
        <translation> – of %1 users only the first %2 tables or %3 characters were read</translation>
    </message>
    <message>
        <source>Suchen</source>
        <translation>Search</translation>
    </message>
    <message>
        <source>Abbrechen</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Anwendung</source>
        <translation>Application</translation>
    </message>
    <message>
        <source>Sperrtyp</source>
        <translation>Lock type</translation>
    </message>
    <message>
        <source>Tabelle</source>
        <translation>Table</translation>
    </message>
    <message>
        <source>Gefundene Benutzer</source>
        <translation>Users found</translation>
    </message>
    <message>
        <source>Fortschritt</source>
        <translation>Progress</translation>
    </message>
</context>
<context>
    <name>TdlgRemoteInfo</name>
    <message>
        <source>The server&apos;s usage counters, one resource a row</source>
        <translation>The server&apos;s usage counters, one resource a row</translation>
    </message>
    <message>
        <source>One user a row; the tables the selected user holds open are listed below, under &quot;%1&quot;</source>
        <translation>One user a row; the tables the selected user holds open are listed below, under &quot;%1&quot;</translation>
    </message>
    <message>
        <source>Refresh failed: %1</source>
        <translation>Refresh failed: %1</translation>
    </message>
</context>
<context>
    <name>UsageHistory</name>
    <message>
        <source>Verbundene Benutzer</source>
        <translation>Connected users</translation>
    </message>
</context>
</TS>
