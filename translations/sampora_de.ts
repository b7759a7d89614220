<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>CommandLine</name>
    <message>
        <source>Use FILE as the sample library instead of the automatic choice.</source>
        <translation>DATEI als Sample-Bibliothek verwenden statt der automatisch gewählten.</translation>
    </message>
    <message>
        <source>FILE</source>
        <translation>DATEI</translation>
    </message>
    <message>
        <source>Do not ask the update server for a newer version at start.</source>
        <translation>Beim Start nicht beim Update-Server nach einer neueren Version fragen.</translation>
    </message>
    <message>
        <source>Sampora mixes loops from your sample library, tempo-matched.</source>
        <translation>Sampora mischt Loops aus Ihrer Sample-Bibliothek, im Tempo angeglichen.</translation>
    </message>
</context>
<context>
    <name>ConfigWriter</name>
    <message>
        <source>config.xml could not be read (%1). Nothing was changed.</source>
        <translation>config.xml konnte nicht gelesen werden (%1). Nichts wurde geändert.</translation>
    </message>
    <message>
        <source>The folder name holds characters that config.xml cannot store. Nothing was changed.</source>
        <translation>Der Ordnername enthält Zeichen, die config.xml nicht speichern kann. Nichts wurde geändert.</translation>
    </message>
    <message>
        <source>config.xml.bak could not be written (%1). config.xml was not changed.</source>
        <translation>config.xml.bak konnte nicht geschrieben werden (%1). config.xml wurde nicht geändert.</translation>
    </message>
    <message>
        <source>config.xml could not be saved (%1). The previous version is unchanged.</source>
        <translation>config.xml konnte nicht gespeichert werden (%1). Die vorige Fassung ist unverändert.</translation>
    </message>
    <message>
        <source>There was an error detected in config.xml: can not set doc type.</source>
        <translation>In config.xml wurde ein Fehler gefunden: Der Dokumenttyp kann nicht gesetzt werden.</translation>
    </message>
    <message>
        <source>There is an error in config.xml:no Root Tag &quot;sampora&quot;.</source>
        <translation>In config.xml ist ein Fehler: Es gibt kein Wurzelelement „sampora“.</translation>
    </message>
</context>
<context>
    <name>DeckControls</name>
    <message>
        <source>Play/Pause</source>
        <translation>Wiedergabe/Pause</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stopp</translation>
    </message>
    <message>
        <source>Next</source>
        <translation>Weiter</translation>
    </message>
    <message>
        <source>Previous</source>
        <translation>Zurück</translation>
    </message>
    <message>
        <source>Row %1: play/pause</source>
        <translation>Zeile %1: Wiedergabe/Pause</translation>
    </message>
    <message>
        <source>Row %1: next</source>
        <translation>Zeile %1: weiter</translation>
    </message>
    <message>
        <source>Row %1: previous</source>
        <translation>Zeile %1: zurück</translation>
    </message>
    <message>
        <source>Row %1: repeat</source>
        <translation>Zeile %1: wiederholen</translation>
    </message>
    <message>
        <source>Row %1: hold</source>
        <translation>Zeile %1: anhalten</translation>
    </message>
    <message>
        <source>Row %1: tempo</source>
        <translation>Zeile %1: Tempo</translation>
    </message>
    <message>
        <source>Volume</source>
        <translation>Lautstärke</translation>
    </message>
    <message>
        <source>Mute</source>
        <translation>Stumm</translation>
    </message>
    <message>
        <source>Quantize</source>
        <translation>Quantisieren</translation>
    </message>
    <message>
        <source>BPM Matching</source>
        <translation>BPM-Angleichung</translation>
    </message>
</context>
<context>
    <name>DeckDrops</name>
    <message>
        <source>%1 is not a sample Sampora plays (MP3, WAV, AIFF or MIDI).</source>
        <translation>%1 ist kein Sample, das Sampora abspielt (MP3, WAV, AIFF oder MIDI).</translation>
    </message>
    <message>
        <source>Row %1 plays %2</source>
        <translation>Zeile %1 spielt %2</translation>
    </message>
    <message>
        <source>Drop a sample on a row to play it there.</source>
        <translation>Ein Sample auf eine Zeile ziehen, um es dort zu spielen.</translation>
    </message>
</context>
<context>
    <name>ExportAudioDialog</name>
    <message>
        <source>Choose...</source>
        <translation>Auswählen...</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>Exportieren</translation>
    </message>
    <message>
        <source>Export Mix as Audio</source>
        <translation>Mix als Audio exportieren</translation>
    </message>
    <message>
        <source>Sampora mix</source>
        <translation>Sampora-Mix</translation>
    </message>
    <message>
        <source>WAV 16-bit</source>
        <translation>WAV 16 Bit</translation>
    </message>
    <message>
        <source>WAV 24-bit</source>
        <translation>WAV 24 Bit</translation>
    </message>
    <message>
        <source>FLAC</source>
        <translation>FLAC</translation>
    </message>
    <message>
        <source>44.1 kHz</source>
        <translation>44,1 kHz</translation>
    </message>
    <message>
        <source>48 kHz</source>
        <translation>48 kHz</translation>
    </message>
    <message>
        <source>File:</source>
        <translation>Datei:</translation>
    </message>
    <message>
        <source>Length in bars:</source>
        <translation>Länge in Takten:</translation>
    </message>
    <message>
        <source>Format:</source>
        <translation>Format:</translation>
    </message>
    <message>
        <source>Sample rate:</source>
        <translation>Abtastrate:</translation>
    </message>
    <message>
        <source>Audio files (*.wav *.flac)</source>
        <translation>Audiodateien (*.wav *.flac)</translation>
    </message>
    <message>
        <source>%1:%2 at %L3 BPM</source>
        <translation>%1:%2 bei %L3 BPM</translation>
    </message>
    <message>
        <source>Choose a file to export to.</source>
        <translation>Wählen Sie die Datei, in die exportiert werden soll.</translation>
    </message>
    <message>
        <source>The folder %1 does not exist.</source>
        <translation>Der Ordner %1 existiert nicht.</translation>
    </message>
    <message>
        <source>%1 is a folder: add a file name.</source>
        <translation>%1 ist ein Ordner: Geben Sie einen Dateinamen an.</translation>
    </message>
    <message>
        <source>%1 exists already. Press Export again to replace it.</source>
        <translation>%1 existiert bereits. Klicken Sie noch einmal auf Exportieren, um die Datei zu ersetzen.</translation>
    </message>
    <message>
        <source>one file per row (stems)</source>
        <translation>eine Datei je Zeile (Stems)</translation>
    </message>
</context>
<context>
    <name>Feedback</name>
    <message>
        <source>Email Address(Optional):</source>
        <translation>E-Mail-Adresse (optional):</translation>
    </message>
    <message>
        <source>Feedback Message:</source>
        <translation>Ihre Rückmeldung:</translation>
    </message>
    <message>
        <source>&amp;cancel</source>
        <translation>&amp;Abbrechen</translation>
    </message>
    <message>
        <source>&amp;send</source>
        <translation>&amp;Senden</translation>
    </message>
    <message>
        <source>Send BETA Feedback</source>
        <translation>Rückmeldung zur BETA senden</translation>
    </message>
    <message>
        <source>Send</source>
        <translation>Senden</translation>
    </message>
    <message>
        <source>The feedback was not sent. %1</source>
        <translation>Die Rückmeldung wurde nicht gesendet. %1</translation>
    </message>
    <message>
        <source>The feedback server gave no answer; your message may not have arrived.</source>
        <translation>Der Rückmeldungs-Server hat nicht geantwortet; Ihre Nachricht ist vielleicht nicht angekommen.</translation>
    </message>
</context>
<context>
    <name>HeardCopy</name>
    <message>
        <source>%1: cannot create the folder</source>
        <translation>%1: Der Ordner kann nicht angelegt werden</translation>
    </message>
    <message>
        <source>%1: cannot be written</source>
        <translation>%1: kann nicht geschrieben werden</translation>
    </message>
</context>
<context>
    <name>ImportFolder</name>
    <message>
        <source>Directory:</source>
        <translation>Ordner:</translation>
    </message>
    <message>
        <source>Import Directory:</source>
        <translation>Ordner importieren:</translation>
    </message>
    <message>
        <source>&amp;Browse...</source>
        <translation>&amp;Durchsuchen...</translation>
    </message>
    <message>
        <source>&amp;Save</source>
        <translation>&amp;Speichern</translation>
    </message>
    <message>
        <source>&amp;Import</source>
        <translation>&amp;Importieren</translation>
    </message>
    <message>
        <source>&amp;cancel</source>
        <translation>&amp;Abbrechen</translation>
    </message>
    <message>
        <source>&amp;Hip Hop/ R&amp;&amp;B</source>
        <translation>&amp;Hip Hop/ R&amp;&amp;B</translation>
    </message>
    <message>
        <source>T&amp;echno/House</source>
        <translation>T&amp;echno/House</translation>
    </message>
    <message>
        <source>Cu&amp;stom</source>
        <translation>&amp;Eigene</translation>
    </message>
    <message>
        <source>Genre Playlist:</source>
        <translation>Genre-Playlist:</translation>
    </message>
    <message>
        <source>&amp;Melody</source>
        <translation>&amp;Melodie</translation>
    </message>
    <message>
        <source>B&amp;eat/Effects</source>
        <translation>B&amp;eat/Effekte</translation>
    </message>
    <message>
        <source>Be&amp;at/Bass</source>
        <translation>Be&amp;at/Bass</translation>
    </message>
    <message>
        <source>Sample Type</source>
        <translation>Sample-Art</translation>
    </message>
    <message>
        <source>Edit Folder</source>
        <translation>Ordner bearbeiten</translation>
    </message>
    <message>
        <source>Import Folder</source>
        <translation>Ordner importieren</translation>
    </message>
    <message>
        <source>Import Samples</source>
        <translation>Samples importieren</translation>
    </message>
    <message>
        <source>Folder does not exist.</source>
        <translation>Der Ordner existiert nicht.</translation>
    </message>
</context>
<context>
    <name>InstallerPolicy</name>
    <message>
        <source>The update information names no installer to download.</source>
        <translation>Die Update-Information nennt kein Installationsprogramm zum Herunterladen.</translation>
    </message>
    <message>
        <source>The installer is offered from an address that is not a secure web address (https):
%1</source>
        <translation>Das Installationsprogramm wird von einer Adresse angeboten, die keine sichere Webadresse (https) ist:
%1</translation>
    </message>
    <message>
        <source>The installer is offered from %1, not from the update server %2.</source>
        <translation>Das Installationsprogramm wird von %1 angeboten, nicht vom Update-Server %2.</translation>
    </message>
    <message>
        <source>The downloaded installer does not match the checksum the update server published.</source>
        <translation>Das heruntergeladene Installationsprogramm passt nicht zur Prüfsumme, die der Update-Server veröffentlicht hat.</translation>
    </message>
</context>
<context>
    <name>LibraryLocation</name>
    <message>
        <source>Changes to the library cannot be saved: the folder %1 cannot be created.</source>
        <translation>Änderungen an der Bibliothek können nicht gespeichert werden: Der Ordner %1 kann nicht angelegt werden.</translation>
    </message>
    <message>
        <source>Changes to the library cannot be saved: you may not write %1.</source>
        <translation>Änderungen an der Bibliothek können nicht gespeichert werden: Sie dürfen %1 nicht schreiben.</translation>
    </message>
</context>
<context>
    <name>LibraryMgr</name>
    <message>
        <source>Libraries</source>
        <translation>Bibliotheken</translation>
    </message>
    <message>
        <source>&amp;import</source>
        <translation>&amp;importieren</translation>
    </message>
    <message>
        <source>r&amp;emove</source>
        <translation>&amp;entfernen</translation>
    </message>
    <message>
        <source>ok&amp;</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>exi&amp;t</source>
        <translation>&amp;schließen</translation>
    </message>
    <message>
        <source>Customize Sample Playlists</source>
        <translation>Sample-Playlists anpassen</translation>
    </message>
    <message>
        <source>Sample Location</source>
        <translation>Speicherort der Samples</translation>
    </message>
</context>
<context>
    <name>Loudness</name>
    <message>
        <source>Loudness not measured: played as it is</source>
        <translation>Lautheit nicht gemessen: wird unverändert gespielt</translation>
    </message>
    <message>
        <source>Loudness %1 LUFS</source>
        <translation>Lautheit %1 LUFS</translation>
    </message>
    <message>
        <source>%1, played as it is</source>
        <translation>%1, unverändert gespielt</translation>
    </message>
    <message>
        <source>%1, played %2 dB louder</source>
        <translation>%1, %2 dB lauter gespielt</translation>
    </message>
    <message>
        <source>%1, played %2 dB softer</source>
        <translation>%1, %2 dB leiser gespielt</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Make your sample library work for you!</source>
        <translation>Lassen Sie Ihre Sample-Bibliothek für sich arbeiten!</translation>
    </message>
    <message>
        <source>Sampora: Beta 0.2</source>
        <translation>Sampora: Beta 0.2</translation>
    </message>
    <message>
        <source>&amp;Import Samples...</source>
        <translation>Samples &amp;importieren...</translation>
    </message>
    <message>
        <source>Open a folder containing samples</source>
        <translation>Einen Ordner mit Samples öffnen</translation>
    </message>
    <message>
        <source>&amp;Save</source>
        <translation>&amp;Speichern</translation>
    </message>
    <message>
        <source>Save the document to disk</source>
        <translation>Die laufenden Samples als Projekt speichern</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>Exit the application</source>
        <translation>Das Programm beenden</translation>
    </message>
    <message>
        <source>&amp;About</source>
        <translation>Ü&amp;ber</translation>
    </message>
    <message>
        <source>Show the application&apos;s About box</source>
        <translation>Informationen über das Programm anzeigen</translation>
    </message>
    <message>
        <source>&amp;Hip Hop</source>
        <translation>&amp;Hip Hop</translation>
    </message>
    <message>
        <source>Ctrl+H</source>
        <translation>Ctrl+H</translation>
    </message>
    <message>
        <source>T&amp;echno</source>
        <translation>T&amp;echno</translation>
    </message>
    <message>
        <source>Ctrl+T</source>
        <translation>Ctrl+T</translation>
    </message>
    <message>
        <source>Cu&amp;stom</source>
        <translation>E&amp;igene</translation>
    </message>
    <message>
        <source>Ctrl+M</source>
        <translation>Ctrl+M</translation>
    </message>
    <message>
        <source>BPM Matching</source>
        <translation>BPM-Angleichung</translation>
    </message>
    <message>
        <source>Ctrl+B</source>
        <translation>Ctrl+B</translation>
    </message>
    <message>
        <source>Melody</source>
        <translation>Melodie</translation>
    </message>
    <message>
        <source>beat/effects</source>
        <translation>Beat/Effekte</translation>
    </message>
    <message>
        <source>beat/bass</source>
        <translation>Beat/Bass</translation>
    </message>
    <message>
        <source>Sample Library</source>
        <translation>Sample-Bibliothek</translation>
    </message>
    <message>
        <source>Ctrl+L</source>
        <translation>Ctrl+L</translation>
    </message>
    <message>
        <source>&amp;MIDI Learn...</source>
        <translation>MIDI-&amp;Zuweisung...</translation>
    </message>
    <message>
        <source>Tie the deck&apos;s controls to the keys, pads and knobs of a MIDI controller</source>
        <translation>Die Bedienelemente des Decks an Tasten, Pads und Regler eines MIDI-Controllers binden</translation>
    </message>
    <message>
        <source>Check For Updates</source>
        <translation>Nach Updates suchen</translation>
    </message>
    <message>
        <source>Provide Feedback</source>
        <translation>Rückmeldung geben</translation>
    </message>
    <message>
        <source>Quick Reference</source>
        <translation>Kurzanleitung</translation>
    </message>
    <message>
        <source>F1</source>
        <translation>F1</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Bearbeiten</translation>
    </message>
    <message>
        <source>&amp;Playlist</source>
        <translation>&amp;Playlist</translation>
    </message>
    <message>
        <source>Genre</source>
        <translation>Genre</translation>
    </message>
    <message>
        <source>Player 1</source>
        <translation>Player 1</translation>
    </message>
    <message>
        <source>Player 2</source>
        <translation>Player 2</translation>
    </message>
    <message>
        <source>Player 3</source>
        <translation>Player 3</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>About Menu</source>
        <translation>Über Sampora</translation>
    </message>
    <message>
        <source>Sampora %1. Based on VLC %2. All rights reserved.
Copyright (C) the Sampora developers.</source>
        <translation>Sampora %1. Basiert auf VLC %2. Alle Rechte vorbehalten.
Copyright (C) die Sampora-Entwickler.</translation>
    </message>
    <message>
        <source>&amp;Quantize</source>
        <translation>&amp;Quantisieren</translation>
    </message>
    <message>
        <source>Ctrl+U</source>
        <translation>Ctrl+U</translation>
    </message>
    <message>
        <source>Next, previous and rows joining in wait for the next bar line</source>
        <translation>Weiter, Zurück und neu einsetzende Reihen warten auf den nächsten Taktstrich</translation>
    </message>
    <message>
        <source>Check For Updates (service not configured)</source>
        <translation>Nach Updates suchen (Dienst nicht eingerichtet)</translation>
    </message>
    <message>
        <source>Provide Feedback (service not configured)</source>
        <translation>Rückmeldung geben (Dienst nicht eingerichtet)</translation>
    </message>
    <message>
        <source>Export Mix as &amp;Audio...</source>
        <translation>Mix als &amp;Audio exportieren...</translation>
    </message>
    <message>
        <source>Render the rows playing now to one audio file</source>
        <translation>Die jetzt spielenden Reihen in eine Audiodatei rendern</translation>
    </message>
    <message>
        <source>Start a row playing to export the mix as audio</source>
        <translation>Starten Sie eine Reihe, um den Mix als Audio zu exportieren</translation>
    </message>
    <message>
        <source>Exported %1</source>
        <translation>%1 exportiert</translation>
    </message>
    <message>
        <source>&amp;Open Mix...</source>
        <translation>Mix ö&amp;ffnen...</translation>
    </message>
    <message>
        <source>Play a saved mix again</source>
        <translation>Einen gespeicherten Mix wieder abspielen</translation>
    </message>
    <message>
        <source>Open Mix</source>
        <translation>Mix öffnen</translation>
    </message>
    <message>
        <source>Saved mixes (*Info.txt);;All files (*)</source>
        <translation>Gespeicherte Mixe (*Info.txt);;Alle Dateien (*)</translation>
    </message>
    <message>
        <source>Nothing of the mix &quot;%1&quot; could be opened:</source>
        <translation>Vom Mix „%1“ konnte nichts geöffnet werden:</translation>
    </message>
    <message>
        <source>The mix &quot;%1&quot; was opened without:</source>
        <translation>Der Mix „%1“ wurde geöffnet, ohne:</translation>
    </message>
    <message>
        <source>Even &amp;Loudness</source>
        <translation>Gleiche &amp;Lautheit</translation>
    </message>
    <message>
        <source>Every sample plays at one loudness; the mix never clips</source>
        <translation>Jedes Sample spielt in einer Lautheit; die Mischung übersteuert nie</translation>
    </message>
</context>
<context>
    <name>MidiLearnDialog</name>
    <message>
        <source>MIDI Learn</source>
        <translation>MIDI-Zuweisung</translation>
    </message>
    <message>
        <source>Control</source>
        <translation>Bedienelement</translation>
    </message>
    <message>
        <source>Controller</source>
        <translation>Controller</translation>
    </message>
    <message>
        <source>Pick a control, press Learn, then move or press something on your controller.</source>
        <translation>Ein Bedienelement wählen, Zuweisen drücken, dann am Controller etwas bewegen oder drücken.</translation>
    </message>
    <message>
        <source>&amp;Learn</source>
        <translation>&amp;Zuweisen</translation>
    </message>
    <message>
        <source>&amp;Clear</source>
        <translation>&amp;Löschen</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>No MIDI controller found. Plug one in: it is found by itself.</source>
        <translation>Kein MIDI-Controller gefunden. Einfach einstecken: Er wird von selbst gefunden.</translation>
    </message>
    <message>
        <source>Controllers: %1</source>
        <translation>Controller: %1</translation>
    </message>
    <message>
        <source>Move or press something on your controller for &quot;%1&quot;...</source>
        <translation>Für „%1“ am Controller etwas bewegen oder drücken...</translation>
    </message>
    <message>
        <source>&quot;%1&quot; follows %2.</source>
        <translation>„%1“ folgt %2.</translation>
    </message>
</context>
<context>
    <name>MidiMessage</name>
    <message>
        <source>Note %1, channel %2</source>
        <translation>Note %1, Kanal %2</translation>
    </message>
    <message>
        <source>CC %1, channel %2</source>
        <translation>CC %1, Kanal %2</translation>
    </message>
</context>
<context>
    <name>MixReader</name>
    <message>
        <source>&quot;%1&quot; does not exist.</source>
        <translation>„%1“ existiert nicht.</translation>
    </message>
    <message>
        <source>&quot;%1&quot; holds no saved mix (no file ending in &quot;Info.txt&quot;).</source>
        <translation>„%1“ enthält keinen gespeicherten Mix (keine Datei, deren Name auf „Info.txt“ endet).</translation>
    </message>
    <message>
        <source>&quot;%1&quot; holds more than one saved mix; please choose its info file.</source>
        <translation>„%1“ enthält mehr als einen gespeicherten Mix; bitte wählen Sie dessen Info-Datei.</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not a mix info file: its name does not end in &quot;Info.txt&quot;.</source>
        <translation>„%1“ ist keine Info-Datei eines Mixes: Ihr Name endet nicht auf „Info.txt“.</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is too large to be a mix info file.</source>
        <translation>„%1“ ist zu groß für die Info-Datei eines Mixes.</translation>
    </message>
    <message>
        <source>&quot;%1&quot; cannot be read: %2</source>
        <translation>„%1“ kann nicht gelesen werden: %2</translation>
    </message>
    <message>
        <source>Unknown line: &quot;%1&quot;</source>
        <translation>Unbekannte Zeile: „%1“</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not a copy of this mix: its name does not start with &quot;%2_&quot; and a slot from 1 to 5.</source>
        <translation>„%1“ ist keine Kopie dieses Mixes: Ihr Name beginnt nicht mit „%2_“ und einem Platz von 1 bis 5.</translation>
    </message>
    <message>
        <source>%1: the rate &quot;%2&quot; is not between %L3 and %L4.</source>
        <translation>%1: Die Rate „%2“ liegt nicht zwischen %L3 und %L4.</translation>
    </message>
    <message>
        <source>%1: slot %2 is already taken by an earlier line.</source>
        <translation>%1: Platz %2 ist schon durch eine frühere Zeile belegt.</translation>
    </message>
    <message>
        <source>%1: the copy is missing from the folder.</source>
        <translation>%1: Die Kopie fehlt im Ordner.</translation>
    </message>
    <message>
        <source>The mix holds no copies.</source>
        <translation>Der Mix enthält keine Kopien.</translation>
    </message>
</context>
<context>
    <name>MixRenderer</name>
    <message>
        <source>Export cancelled: no file was written.</source>
        <translation>Export abgebrochen: Es wurde keine Datei geschrieben.</translation>
    </message>
    <message>
        <source>Cannot export the mix: %1: %2</source>
        <translation>Der Mix kann nicht exportiert werden: %1: %2</translation>
    </message>
    <message>
        <source>Cannot export the mix: %1 plays at the rate %2.</source>
        <translation>Der Mix kann nicht exportiert werden: %1 spielt mit dem Faktor %2.</translation>
    </message>
    <message>
        <source>Cannot convert the mix to %1 Hz.</source>
        <translation>Der Mix kann nicht in %1 Hz umgewandelt werden.</translation>
    </message>
    <message>
        <source>Exported %1.</source>
        <translation>%1 exportiert.</translation>
    </message>
    <message>
        <source>Exported %1 and one file per row next to it.</source>
        <translation>%1 und daneben eine Datei je Zeile exportiert.</translation>
    </message>
</context>
<context>
    <name>Player</name>
    <message>
        <source>No samples in library for this player</source>
        <translation>Keine Samples in der Bibliothek für diesen Player</translation>
    </message>
    <message>
        <source>Playing: </source>
        <translation>Spielt: </translation>
    </message>
    <message>
        <source>No samples in the %1 library for this Genre</source>
        <translation>Keine Samples der Art %1 in der Bibliothek für dieses Genre</translation>
    </message>
    <message>
        <source>file not found</source>
        <translation>Datei nicht gefunden</translation>
    </message>
    <message>
        <source>file is empty</source>
        <translation>Datei ist leer</translation>
    </message>
    <message>
        <source>file cannot be read</source>
        <translation>Datei kann nicht gelesen werden</translation>
    </message>
    <message>
        <source>not a playable audio file</source>
        <translation>keine abspielbare Audiodatei</translation>
    </message>
    <message>
        <source>Stopped: %1 could not be played (%2); %3 tries in a row failed</source>
        <translation>Angehalten: %1 konnte nicht abgespielt werden (%2); %3 Versuche nacheinander schlugen fehl</translation>
    </message>
</context>
<context>
    <name>ProgramInfo</name>
    <message>
        <source>beside the program, which runs from a folder you can write</source>
        <translation>neben dem Programm, das aus einem Ordner läuft, in den Sie schreiben können</translation>
    </message>
    <message>
        <source>in your configuration folder, as the program&apos;s folder is not yours to write</source>
        <translation>in Ihrem Konfigurationsordner, da Sie in den Ordner des Programms nicht schreiben können</translation>
    </message>
    <message>
        <source>named by --config</source>
        <translation>mit --config angegeben</translation>
    </message>
    <message>
        <source>Library: %1 (%2)</source>
        <translation>Bibliothek: %1 (%2)</translation>
    </message>
</context>
<context>
    <name>QTplayerCtl</name>
    <message>
        <source>Open File</source>
        <translation>Datei öffnen</translation>
    </message>
    <message>
        <source>Files</source>
        <translation>Dateien</translation>
    </message>
    <message>
        <source>%1 has no BPM in its name, so it plays at its own speed, not at %2.</source>
        <translation>%1 hat kein BPM im Namen und spielt daher in seinem eigenen Tempo, nicht mit %2.</translation>
    </message>
</context>
<context>
    <name>RenderedFile</name>
    <message>
        <source>The folder %1 does not exist.</source>
        <translation>Der Ordner %1 existiert nicht.</translation>
    </message>
    <message>
        <source>Cannot write to the folder %1: %2</source>
        <translation>In den Ordner %1 kann nicht geschrieben werden: %2</translation>
    </message>
    <message>
        <source>Cannot write %1: %2</source>
        <translation>%1 kann nicht geschrieben werden: %2</translation>
    </message>
</context>
<context>
    <name>ReplyFailure</name>
    <message>
        <source>The server refused the connection.</source>
        <translation>Der Server hat die Verbindung abgelehnt.</translation>
    </message>
    <message>
        <source>The server&apos;s address could not be found.</source>
        <translation>Die Adresse des Servers wurde nicht gefunden.</translation>
    </message>
    <message>
        <source>The server&apos;s answer was far longer than any answer expected here.</source>
        <translation>Die Antwort des Servers war weit länger als jede hier erwartete Antwort.</translation>
    </message>
    <message>
        <source>The server did not answer in time.</source>
        <translation>Der Server hat nicht rechtzeitig geantwortet.</translation>
    </message>
    <message>
        <source>The secure connection to the server failed: %1</source>
        <translation>Die sichere Verbindung zum Server ist fehlgeschlagen: %1</translation>
    </message>
    <message>
        <source>The server closed the connection before answering.</source>
        <translation>Der Server hat die Verbindung vor einer Antwort geschlossen.</translation>
    </message>
    <message>
        <source>The server answered with HTTP status %1.</source>
        <translation>Der Server hat mit dem HTTP-Status %1 geantwortet.</translation>
    </message>
</context>
<context>
    <name>SaveFiles</name>
    <message>
        <source>Name Your Project:</source>
        <translation>Name des Projekts:</translation>
    </message>
    <message>
        <source>In directory:</source>
        <translation>Im Ordner:</translation>
    </message>
    <message>
        <source>&amp;Browse...</source>
        <translation>&amp;Durchsuchen...</translation>
    </message>
    <message>
        <source>&amp;Save</source>
        <translation>&amp;Speichern</translation>
    </message>
    <message>
        <source>MyBeats</source>
        <translation>MeineBeats</translation>
    </message>
    <message>
        <source>Save Files</source>
        <translation>Dateien speichern</translation>
    </message>
    <message>
        <source>Please enter a project name.</source>
        <translation>Bitte geben Sie einen Projektnamen ein.</translation>
    </message>
    <message>
        <source>&quot;%1&quot; cannot be used as a folder name. Please choose another project name.</source>
        <translation>„%1“ kann nicht als Ordnername verwendet werden. Bitte wählen Sie einen anderen Projektnamen.</translation>
    </message>
    <message>
        <source>Please choose the directory to save the project in.</source>
        <translation>Bitte wählen Sie den Ordner, in dem das Projekt gespeichert wird.</translation>
    </message>
    <message>
        <source>The directory &quot;%1&quot; does not exist.</source>
        <translation>Der Ordner „%1“ existiert nicht.</translation>
    </message>
    <message>
        <source>&quot;%1&quot; already exists in &quot;%2&quot;. Please choose another project name.</source>
        <translation>„%1“ gibt es in „%2“ schon. Bitte wählen Sie einen anderen Projektnamen.</translation>
    </message>
    <message>
        <source>The folder &quot;%1&quot; could not be created in &quot;%2&quot;. Is the directory writable?</source>
        <translation>Der Ordner „%1“ konnte in „%2“ nicht angelegt werden. Ist der Ordner beschreibbar?</translation>
    </message>
    <message>
        <source>the sample file no longer exists.</source>
        <translation>die Sample-Datei existiert nicht mehr.</translation>
    </message>
    <message>
        <source>Slot %1 (%2) was not copied: %3</source>
        <translation>Platz %1 (%2) wurde nicht kopiert: %3</translation>
    </message>
    <message>
        <source>The info file &quot;%1&quot; could not be written: %2</source>
        <translation>Die Info-Datei „%1“ konnte nicht geschrieben werden: %2</translation>
    </message>
    <message>
        <source>The project &quot;%1&quot; was saved incompletely.</source>
        <translation>Das Projekt „%1“ wurde unvollständig gespeichert.</translation>
    </message>
</context>
<context>
    <name>TempoDetector</name>
    <message>
        <source>%1 BPM, from the file name</source>
        <translation>%1 BPM, aus dem Dateinamen</translation>
    </message>
    <message>
        <source>%1 BPM, estimated from the audio</source>
        <translation>%1 BPM, aus dem Klang geschätzt</translation>
    </message>
    <message>
        <source>No BPM: plays at its own speed</source>
        <translation>Kein BPM: spielt in seinem eigenen Tempo</translation>
    </message>
</context>
<context>
    <name>UpdateCheck</name>
    <message>
        <source>Update Available</source>
        <translation>Update verfügbar</translation>
    </message>
    <message>
        <source>An update to version </source>
        <translation>Ein Update auf Version </translation>
    </message>
    <message>
        <source> is available. 
 Would you like to download and install?</source>
        <translation> ist verfügbar. 
 Möchten Sie es herunterladen und installieren?</translation>
    </message>
    <message>
        <source>Update</source>
        <translation>Update</translation>
    </message>
    <message>
        <source>The update could not be downloaded. Please try again later.</source>
        <translation>Das Update konnte nicht heruntergeladen werden. Bitte versuchen Sie es später noch einmal.</translation>
    </message>
    <message>
        <source>Declined</source>
        <translation>Abgelehnt</translation>
    </message>
    <message>
        <source>The update will NOT download</source>
        <translation>Das Update wird NICHT heruntergeladen</translation>
    </message>
    <message>
        <source>Current version is installed.</source>
        <translation>Die aktuelle Version ist installiert.</translation>
    </message>
    <message>
        <source>No internet connection.</source>
        <translation>Keine Internetverbindung.</translation>
    </message>
    <message>
        <source>The update could not be saved:
%1</source>
        <translation>Das Update konnte nicht gespeichert werden:
%1</translation>
    </message>
    <message>
        <source>The update installer could not be started:
%1</source>
        <translation>Das Installationsprogramm des Updates konnte nicht gestartet werden:
%1</translation>
    </message>
    <message>
        <source>No temporary directory is available.</source>
        <translation>Es ist kein temporärer Ordner verfügbar.</translation>
    </message>
    <message>
        <source>This build of Sampora has no update service configured.</source>
        <translation>In dieser Fassung von Sampora ist kein Update-Dienst eingerichtet.</translation>
    </message>
    <message>
        <source>The update was refused:
%1</source>
        <translation>Das Update wurde abgelehnt:
%1</translation>
    </message>
</context>
<context>
    <name>progressBars</name>
    <message>
        <source>Form</source>
        <translation>Form</translation>
    </message>
    <message>
        <source>Add Track</source>
        <translation>Spur hinzufügen</translation>
    </message>
    <message>
        <source>Players:</source>
        <translation>Player:</translation>
    </message>
    <message>
        <source>   1</source>
        <translation>   1</translation>
    </message>
    <message>
        <source>2</source>
        <translation>2</translation>
    </message>
    <message>
        <source>3  </source>
        <translation>3  </translation>
    </message>
    <message>
        <source>Remove Track</source>
        <translation>Spur entfernen</translation>
    </message>
    <message>
        <source>&lt;!DOCTYPE HTML PUBLIC &quot;-//W3C//DTD HTML 4.0//EN&quot; &quot;http://www.w3.org/TR/REC-html40/strict.dtd&quot;&gt;
&lt;html&gt;&lt;head&gt;&lt;meta name=&quot;qrichtext&quot; content=&quot;1&quot; /&gt;&lt;style type=&quot;text/css&quot;&gt;
p, li { white-space: pre-wrap; }
&lt;/style&gt;&lt;/head&gt;&lt;body style=&quot; font-family:&apos;MS Shell Dlg 2&apos;; font-size:8.25pt; font-weight:400; font-style:normal;&quot;&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-size:8pt;&quot;&gt;Remove Track&lt;/span&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;!DOCTYPE HTML PUBLIC &quot;-//W3C//DTD HTML 4.0//EN&quot; &quot;http://www.w3.org/TR/REC-html40/strict.dtd&quot;&gt;
&lt;html&gt;&lt;head&gt;&lt;meta name=&quot;qrichtext&quot; content=&quot;1&quot; /&gt;&lt;style type=&quot;text/css&quot;&gt;
p, li { white-space: pre-wrap; }
&lt;/style&gt;&lt;/head&gt;&lt;body style=&quot; font-family:&apos;MS Shell Dlg 2&apos;; font-size:8.25pt; font-weight:400; font-style:normal;&quot;&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-size:8pt;&quot;&gt;Spur entfernen&lt;/span&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>Tempo</source>
        <translation>Tempo</translation>
    </message>
    <message>
        <source>Previous</source>
        <translation>Zurück</translation>
    </message>
    <message>
        <source>...</source>
        <translation>...</translation>
    </message>
    <message>
        <source>Repeat</source>
        <translation>Wiederholen</translation>
    </message>
    <message>
        <source>Mute</source>
        <translation>Stumm</translation>
    </message>
    <message>
        <source>Volume</source>
        <translation>Lautstärke</translation>
    </message>
    <message>
        <source>Save Currently Playing Samples</source>
        <translation>Die laufenden Samples speichern</translation>
    </message>
    <message>
        <source>SAVE</source>
        <translation>SPEICHERN</translation>
    </message>
</context>
</TS>
