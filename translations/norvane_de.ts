<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>AccountSession</name>
    <message>
        <source>ENTER YOUR ACCOUNT KEY TO SIGN IN.</source>
        <translation>GEBEN SIE IHREN KONTOSCHLÜSSEL EIN, UM SICH ANZUMELDEN.</translation>
    </message>
    <message>
        <source>ENTER YOUR ACCOUNT KEY.</source>
        <translation>GEBEN SIE IHREN KONTOSCHLÜSSEL EIN.</translation>
    </message>
    <message>
        <source>THE ACCOUNT KEY CONTAINS CHARACTERS THAT ARE NOT ALLOWED.</source>
        <translation>DER KONTOSCHLÜSSEL ENTHÄLT UNZULÄSSIGE ZEICHEN.</translation>
    </message>
    <message>
        <source>CHECKING YOUR ACCOUNT KEY...</source>
        <translation>IHR KONTOSCHLÜSSEL WIRD GEPRÜFT...</translation>
    </message>
    <message>
        <source>THIS ACCOUNT KEY IS NOT KNOWN. CHECK IT AND TRY AGAIN.</source>
        <translation>DIESER KONTOSCHLÜSSEL IST UNBEKANNT. PRÜFEN SIE IHN UND VERSUCHEN SIE ES ERNEUT.</translation>
    </message>
    <message>
        <source>THE SERVICE DID NOT ACCEPT THE SIGN-IN. TRY AGAIN OR CONTACT SUPPORT.</source>
        <translation>DER DIENST HAT DIE ANMELDUNG NICHT ANGENOMMEN. VERSUCHEN SIE ES ERNEUT ODER WENDEN SIE SICH AN DEN SUPPORT.</translation>
    </message>
    <message>
        <source>NETWORK ERROR. TRY AGAIN OR EXIT AND CONTACT SUPPORT.</source>
        <translation>NETZWERKFEHLER. VERSUCHEN SIE ES ERNEUT ODER BEENDEN SIE DAS PROGRAMM UND WENDEN SIE SICH AN DEN SUPPORT.</translation>
    </message>
</context>
<context>
    <name>ConnectionController</name>
    <message>
        <source>CLICK CONNECT TO SECURE YOUR INTERNET</source>
        <translation>FÜR SICHERES INTERNET: VERBINDEN</translation>
    </message>
    <message>
        <source>Connecting...</source>
        <translation>Verbindung wird hergestellt...</translation>
    </message>
    <message>
        <source>YOU ARE SECURELY CONNECTED</source>
        <translation>SIE SIND SICHER VERBUNDEN</translation>
    </message>
    <message>
        <source>Restoring Point-to-Point connection...</source>
        <translation>Punkt-zu-Punkt-Verbindung wird wiederhergestellt...</translation>
    </message>
    <message>
        <source>Secure Disconnection is in progress:</source>
        <translation>Sichere Trennung läuft:</translation>
    </message>
    <message>
        <source>Activity Log: None found</source>
        <translation>Aktivitätsprotokoll: keines gefunden</translation>
    </message>
    <message>
        <source>Local IP Log: None found</source>
        <translation>Protokoll der lokalen IP: keines gefunden</translation>
    </message>
    <message>
        <source>Assigned IP: Cleared</source>
        <translation>Zugewiesene IP: gelöscht</translation>
    </message>
    <message>
        <source>Changing...</source>
        <translation>Wird geändert...</translation>
    </message>
    <message>
        <source>IP ERROR OCCURRED. &lt;a href=&quot;restartLink&quot; style=&quot;color: #0000AA;&quot;&gt;&lt;b&gt;RESTART&lt;/b&gt;&lt;/a&gt; &amp; TRY AGAIN OR EXIT &amp; CONTACT SUPPORT.</source>
        <translation>IP-FEHLER. &lt;a href=&quot;restartLink&quot; style=&quot;color: #0000AA;&quot;&gt;&lt;b&gt;NEU STARTEN&lt;/b&gt;&lt;/a&gt; UND ERNEUT VERSUCHEN ODER BEENDEN UND SUPPORT KONTAKTIEREN.</translation>
    </message>
    <message>
        <source>AN OPENVPN ERROR OCCURRED. &lt;a href=&quot;restartLink&quot; style=&quot;color: #0000AA;&quot;&gt;&lt;b&gt;RESTART&lt;/b&gt;&lt;/a&gt; &amp; TRY AGAIN OR EXIT &amp; CONTACT SUPPORT.</source>
        <translation>EIN OPENVPN-FEHLER IST AUFGETRETEN. &lt;a href=&quot;restartLink&quot; style=&quot;color: #0000AA;&quot;&gt;&lt;b&gt;NEU STARTEN&lt;/b&gt;&lt;/a&gt; UND ERNEUT VERSUCHEN ODER BEENDEN UND SUPPORT KONTAKTIEREN.</translation>
    </message>
    <message>
        <source>AN ERROR OCCURRED. &lt;a href=&quot;restartLink&quot; style=&quot;color: #0000AA;&quot;&gt;&lt;b&gt;RESTART&lt;/b&gt;&lt;/a&gt; &amp; TRY AGAIN OR EXIT &amp; CONTACT SUPPORT.</source>
        <translation>EIN FEHLER IST AUFGETRETEN. &lt;a href=&quot;restartLink&quot; style=&quot;color: #0000AA;&quot;&gt;&lt;b&gt;NEU STARTEN&lt;/b&gt;&lt;/a&gt; UND ERNEUT VERSUCHEN ODER BEENDEN UND SUPPORT KONTAKTIEREN.</translation>
    </message>
    <message>
        <source>THIS SERVER IS UNAVAILABLE. TRY AGAIN LATER OR TRY ANOTHER SERVER.</source>
        <translation>DIESER SERVER IST NICHT VERFÜGBAR. VERSUCHEN SIE ES SPÄTER ERNEUT ODER WÄHLEN SIE EINEN ANDEREN SERVER.</translation>
    </message>
    <message>
        <source>THERE IS NO ACTIVE INTERNET CONNECTION.
CHECK YOUR INTERNET CONNECTION AND TRY AGAIN.</source>
        <translation>ES BESTEHT KEINE INTERNETVERBINDUNG.
PRÜFEN SIE IHRE INTERNETVERBINDUNG UND VERSUCHEN SIE ES ERNEUT.</translation>
    </message>
    <message>
        <source>NETWORK ERROR. TRY AGAIN OR EXIT AND CONTACT SUPPORT.</source>
        <translation>NETZWERKFEHLER. VERSUCHEN SIE ES ERNEUT ODER BEENDEN SIE DAS PROGRAMM UND WENDEN SIE SICH AN DEN SUPPORT.</translation>
    </message>
    <message>
        <source>TRAFFIC CANNOT BE BLOCKED WHILE THE VPN IS DOWN.
TURN OFF &quot;BLOCK TRAFFIC WHEN THE VPN IS DOWN&quot; IN OPTIONS OR CONTACT SUPPORT.</source>
        <translation>DER DATENVERKEHR KANN BEI GETRENNTEM VPN NICHT GESPERRT WERDEN.
SCHALTEN SIE „DATENVERKEHR BEI GETRENNTEM VPN SPERREN“ IN DEN OPTIONEN AUS ODER WENDEN SIE SICH AN DEN SUPPORT.</translation>
    </message>
</context>
<context>
    <name>VPNGenericDialog</name>
    <message>
        <source>Options</source>
        <translation>Optionen</translation>
    </message>
</context>
<context>
    <name>VPNHelpDialog</name>
    <message>
        <source>Tools</source>
        <translation>Werkzeuge</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>Sprache</translation>
    </message>
    <message>
        <source>About</source>
        <translation>Über</translation>
    </message>
    <message>
        <source>Get Help</source>
        <translation>Hilfe erhalten</translation>
    </message>
    <message>
        <source>Support File</source>
        <translation>Supportdatei</translation>
    </message>
    <message>
        <source>Please wait... The Support File is being generated and sent.</source>
        <translation>Bitte warten... Die Supportdatei wird erstellt und gesendet.</translation>
    </message>
    <message>
        <source>Send File to Support</source>
        <translation>Datei an den Support senden</translation>
    </message>
    <message>
        <source>Generates a file which helps us identify causes of any technical problems you may be experiencing with your %1 software.
Note: This file doesn&apos;t contain any personal information and is intended for technical support assistance only.</source>
        <translation>Erstellt eine Datei, die uns hilft, die Ursache technischer Probleme mit Ihrer %1-Software zu finden.
Hinweis: Diese Datei enthält keine persönlichen Daten und dient nur der technischen Unterstützung.</translation>
    </message>
    <message>
        <source>Interface Language</source>
        <translation>Sprache der Oberfläche</translation>
    </message>
    <message>
        <source>Your current %1 interface language is:</source>
        <translation>Die aktuelle Sprache der %1-Oberfläche ist:</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>Anwenden</translation>
    </message>
    <message>
        <source>Changes language of your %1 software interface.</source>
        <translation>Ändert die Sprache der Oberfläche Ihrer %1-Software.</translation>
    </message>
    <message>
        <source>Software</source>
        <translation>Software</translation>
    </message>
    <message>
        <source>Software Version:</source>
        <translation>Softwareversion:</translation>
    </message>
    <message>
        <source>About the Service</source>
        <translation>Über den Dienst</translation>
    </message>
    <message>
        <source>About the Company</source>
        <translation>Über das Unternehmen</translation>
    </message>
    <message>
        <source>Getting Started</source>
        <translation>Erste Schritte</translation>
    </message>
    <message>
        <source>Basic Troubleshooting</source>
        <translation>Grundlegende Fehlerbehebung</translation>
    </message>
    <message>
        <source>Support Options</source>
        <translation>Support-Optionen</translation>
    </message>
    <message>
        <source>CLOSE</source>
        <translation>SCHLIESSEN</translation>
    </message>
    <message>
        <source>English</source>
        <translation>Englisch</translation>
    </message>
    <message>
        <source>French</source>
        <translation>Französisch</translation>
    </message>
    <message>
        <source>German</source>
        <translation>Deutsch</translation>
    </message>
    <message>
        <source>Help Menu</source>
        <translation>Hilfemenü</translation>
    </message>
    <message>
        <source>Change Language</source>
        <translation>Sprache ändern</translation>
    </message>
    <message>
        <source>Choose a server location and press CONNECT. When the status indicator turns solid green, your connection is secure. Closing the window puts the program in the tray, where it keeps running.&lt;br&gt;&lt;a href=&quot;%1&quot;&gt;Get Started Guide&lt;/a&gt;</source>
        <translation>Wählen Sie einen Serverstandort und drücken Sie VERBINDEN. Wenn die Statusanzeige durchgehend grün leuchtet, ist Ihre Verbindung sicher. Beim Schließen des Fensters läuft das Programm im Infobereich weiter.&lt;br&gt;&lt;a href=&quot;%1&quot;&gt;Kurzanleitung&lt;/a&gt;</translation>
    </message>
    <message>
        <source>When something does not work as expected, the &lt;a href=&quot;%1&quot;&gt;Basic Troubleshooting Guide&lt;/a&gt; lists the usual causes and what to do.</source>
        <translation>Wenn etwas nicht wie erwartet funktioniert, nennt die &lt;a href=&quot;%1&quot;&gt;Anleitung zur grundlegenden Fehlerbehebung&lt;/a&gt; die üblichen Ursachen und was zu tun ist.</translation>
    </message>
    <message>
        <source>For anything else, the manual and our support team are there to help.&lt;p align=&quot;center&quot;&gt;&lt;a href=&quot;%1&quot;&gt;User Manual&lt;/a&gt; | &lt;a href=&quot;%2&quot;&gt;Knowledgebase&lt;/a&gt; | &lt;a href=&quot;%3&quot;&gt;Online Support&lt;/a&gt; | &lt;a href=&quot;%4&quot;&gt;Email Support&lt;/a&gt;&lt;/p&gt;</source>
        <translation>Für alles Weitere helfen Ihnen das Handbuch und unser Support-Team.&lt;p align=&quot;center&quot;&gt;&lt;a href=&quot;%1&quot;&gt;Handbuch&lt;/a&gt; | &lt;a href=&quot;%2&quot;&gt;Wissensdatenbank&lt;/a&gt; | &lt;a href=&quot;%3&quot;&gt;Online-Support&lt;/a&gt; | &lt;a href=&quot;%4&quot;&gt;E-Mail-Support&lt;/a&gt;&lt;/p&gt;</translation>
    </message>
    <message>
        <source>%1 is a subscription VPN service. It puts your computer&apos;s internet traffic through an encrypted tunnel to one of its servers, so that the networks on the way cannot read it and web sites see the server&apos;s IP address instead of yours.</source>
        <translation>%1 ist ein VPN-Dienst im Abonnement. Er leitet den Internetverkehr Ihres Computers durch einen verschlüsselten Tunnel zu einem seiner Server, sodass die Netze unterwegs ihn nicht lesen können und Websites die IP-Adresse des Servers statt Ihrer sehen.</translation>
    </message>
    <message>
        <source>%1 is built and run by a small team that operates its own VPN servers. More about us and the service: &lt;a href=&quot;%2&quot;&gt;%3&lt;/a&gt;</source>
        <translation>%1 wird von einem kleinen Team entwickelt und betrieben, das eigene VPN-Server unterhält. Mehr über uns und den Dienst: &lt;a href=&quot;%2&quot;&gt;%3&lt;/a&gt;</translation>
    </message>
    <message>
        <source>Support File has been sent.</source>
        <translation>Die Supportdatei wurde gesendet.</translation>
    </message>
    <message>
        <source>Support File error has occurred, please contact support.</source>
        <translation>Bei der Supportdatei ist ein Fehler aufgetreten, bitte wenden Sie sich an den Support.</translation>
    </message>
    <message>
        <source>Generation of Support File is in progress. Please wait until it&apos;s finished.</source>
        <translation>Die Supportdatei wird gerade erstellt. Bitte warten Sie, bis der Vorgang abgeschlossen ist.</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>VPNMainWindow</name>
    <message>
        <source>Taking too long? &lt;a href=&quot;restart&quot;&gt;&lt;span style=&quot;font-weight:700; color:#7AAAD2; text-decoration:none;&quot;&gt;Abort and retry &amp;gt;&amp;gt;&lt;/span&gt;&lt;/a&gt;</source>
        <translation>Dauert es zu lange? &lt;a href=&quot;restart&quot;&gt;&lt;span style=&quot;font-weight:700; color:#7AAAD2; text-decoration:none;&quot;&gt;Abbrechen und erneut versuchen &amp;gt;&amp;gt;&lt;/span&gt;&lt;/a&gt;</translation>
    </message>
    <message>
        <source>TRY AGAIN</source>
        <translation>ERNEUT VERSUCHEN</translation>
    </message>
    <message>
        <source>EXIT</source>
        <translation>BEENDEN</translation>
    </message>
    <message>
        <source>Options</source>
        <translation>Optionen</translation>
    </message>
    <message>
        <source>Update</source>
        <translation>Aktualisieren</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Hilfe</translation>
    </message>
    <message>
        <source>Sign out</source>
        <translation>Abmelden</translation>
    </message>
    <message>
        <source>LOCAL IP:</source>
        <translation>LOKALE IP:</translation>
    </message>
    <message>
        <source>NEW IP:</source>
        <translation>NEUE IP:</translation>
    </message>
    <message>
        <source>CHANGE</source>
        <translation>ÄNDERN</translation>
    </message>
    <message>
        <source>CONNECT</source>
        <translation>VERBINDEN</translation>
    </message>
    <message>
        <source>CANCEL</source>
        <translation>ABBRECHEN</translation>
    </message>
    <message>
        <source>DISCONNECT</source>
        <translation>TRENNEN</translation>
    </message>
    <message>
        <source>TCP Activated</source>
        <translation>TCP aktiviert</translation>
    </message>
    <message>
        <source>Point-to-Point Activated</source>
        <translation>Punkt-zu-Punkt aktiviert</translation>
    </message>
    <message>
        <source>CLICK CONNECT TO SECURE YOUR INTERNET</source>
        <translation>FÜR SICHERES INTERNET: VERBINDEN</translation>
    </message>
    <message>
        <source>ENTER YOUR ACCOUNT KEY TO SIGN IN.</source>
        <translation>GEBEN SIE IHREN KONTOSCHLÜSSEL EIN, UM SICH ANZUMELDEN.</translation>
    </message>
    <message>
        <source>Account key</source>
        <translation>Kontoschlüssel</translation>
    </message>
    <message>
        <source>SIGN IN</source>
        <translation>ANMELDEN</translation>
    </message>
    <message>
        <source>MENU</source>
        <translation>MENÜ</translation>
    </message>
    <message>
        <source>Initializing...</source>
        <translation>Initialisierung...</translation>
    </message>
    <message>
        <source>Verify</source>
        <translation>Prüfen</translation>
    </message>
    <message>
        <source>Show in Options</source>
        <translation>In den Optionen anzeigen</translation>
    </message>
    <message>
        <source>&amp;Favorite</source>
        <translation>&amp;Favorit</translation>
    </message>
    <message>
        <source>&amp;Anchor IP</source>
        <translation>&amp;Anker-IP</translation>
    </message>
    <message>
        <source>No account yet? </source>
        <translation>Noch kein Konto? </translation>
    </message>
    <message>
        <source>Sign up &amp;gt;&amp;gt;</source>
        <translation>Registrieren &amp;gt;&amp;gt;</translation>
    </message>
    <message>
        <source>BACK</source>
        <translation>ZURÜCK</translation>
    </message>
    <message>
        <source>Connected</source>
        <translation>Verbunden</translation>
    </message>
    <message>
        <source>Disconnected</source>
        <translation>Getrennt</translation>
    </message>
    <message>
        <source>Disconnected from: </source>
        <translation>Getrennt von: </translation>
    </message>
    <message>
        <source>Connected to: </source>
        <translation>Verbunden mit: </translation>
    </message>
    <message>
        <source>Since: </source>
        <translation>Seit: </translation>
    </message>
    <message>
        <source>Local IP: </source>
        <translation>Lokale IP: </translation>
    </message>
    <message>
        <source>New IP: </source>
        <translation>Neue IP: </translation>
    </message>
    <message>
        <source>Creating Point-to-Point Connection. Please wait...</source>
        <translation>Punkt-zu-Punkt-Verbindung wird hergestellt. Bitte warten...</translation>
    </message>
</context>
<context>
    <name>VPNOptionsDialog</name>
    <message>
        <source>Start Up</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>Email</source>
        <translation>E-Mail</translation>
    </message>
    <message>
        <source>Servers &amp;&amp; IPs</source>
        <translation>Server &amp;&amp; IPs</translation>
    </message>
    <message>
        <source>Advanced</source>
        <translation>Erweitert</translation>
    </message>
    <message>
        <source>Software Automation Options</source>
        <translation>Automatisierungsoptionen</translation>
    </message>
    <message>
        <source>Enable Auto Connect</source>
        <translation>Automatische Verbindung aktivieren</translation>
    </message>
    <message>
        <source>Connects automatically on program launch.</source>
        <translation>Verbindet beim Programmstart automatisch.</translation>
    </message>
    <message>
        <source>Enable Auto Launch</source>
        <translation>Autostart aktivieren</translation>
    </message>
    <message>
        <source>Launches automatically when you log in.</source>
        <translation>Startet automatisch, wenn Sie sich am Computer anmelden.</translation>
    </message>
    <message>
        <source>Fastest Server Default</source>
        <translation>Schnellster Server als Standard</translation>
    </message>
    <message>
        <source>Chooses the fastest server on program launch.</source>
        <translation>Wählt beim Programmstart den schnellsten Server.</translation>
    </message>
    <message>
        <source>Enable TCP on Program Launch</source>
        <translation>TCP beim Programmstart aktivieren</translation>
    </message>
    <message>
        <source>TCP servers are only for passing restrictive firewalls: they are slower and drop the connection more often. Turn on &quot;Enable TCP Servers&quot; under Advanced first.</source>
        <translation>TCP-Server dienen nur zum Überwinden restriktiver Firewalls: Sie sind langsamer und trennen die Verbindung häufiger. Aktivieren Sie zuerst &quot;TCP-Server aktivieren&quot; unter Erweitert.</translation>
    </message>
    <message>
        <source>Allow Your Email Client Software to Connect</source>
        <translation>Verbindung für Ihr E-Mail-Programm zulassen</translation>
    </message>
    <message>
        <source>SMTP address from your Internet Service Provider:</source>
        <translation>SMTP-Adresse Ihres Internetanbieters:</translation>
    </message>
    <message>
        <source>Choose Country</source>
        <translation>Land wählen</translation>
    </message>
    <message>
        <source>Select Server Location:</source>
        <translation>Serverstandort wählen:</translation>
    </message>
    <message>
        <source>Right-click on the server location to mark a location as your Favorite or set your Anchor IP address.</source>
        <translation>Klicken Sie mit der rechten Maustaste auf einen Serverstandort, um ihn als Favoriten zu markieren oder dort Ihre Anker-IP-Adresse festzulegen.</translation>
    </message>
    <message>
        <source>Keep in Options</source>
        <translation>In den Optionen lassen</translation>
    </message>
    <message>
        <source>Move to the main screen</source>
        <translation>Ins Hauptfenster verschieben</translation>
    </message>
    <message>
        <source>Change New IP</source>
        <translation>Neue IP ändern</translation>
    </message>
    <message>
        <source>Forced IP Change</source>
        <translation>Erzwungener IP-Wechsel</translation>
    </message>
    <message>
        <source>Auto IP Change</source>
        <translation>Automatischer IP-Wechsel</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>Anwenden</translation>
    </message>
    <message>
        <source>Restrictive Firewall Options</source>
        <translation>Optionen für restriktive Firewalls</translation>
    </message>
    <message>
        <source>Enable TCP Servers</source>
        <translation>TCP-Server aktivieren</translation>
    </message>
    <message>
        <source>Turns all servers into TCP servers for bypassing restrictive firewalls and for encrypting slow speed (dialup) connections.</source>
        <translation>Macht alle Server zu TCP-Servern, um restriktive Firewalls zu umgehen und langsame Verbindungen (Einwahl) zu verschlüsseln.</translation>
    </message>
    <message>
        <source>Port 443</source>
        <translation>Port 443</translation>
    </message>
    <message>
        <source>Port 80</source>
        <translation>Port 80</translation>
    </message>
    <message>
        <source>Enable Point-to-Point Connection</source>
        <translation>Punkt-zu-Punkt-Verbindung aktivieren</translation>
    </message>
    <message>
        <source>Bypasses highly restrictive firewalls and enhances security.</source>
        <translation>Umgeht sehr restriktive Firewalls und erhöht die Sicherheit.</translation>
    </message>
    <message>
        <source>Proxy Settings</source>
        <translation>Proxy-Einstellungen</translation>
    </message>
    <message>
        <source>Select:</source>
        <translation>Auswahl:</translation>
    </message>
    <message>
        <source>No Proxy</source>
        <translation>Kein Proxy</translation>
    </message>
    <message>
        <source>HTTP</source>
        <translation>HTTP</translation>
    </message>
    <message>
        <source>HTTPS</source>
        <translation>HTTPS</translation>
    </message>
    <message>
        <source>SOCKS</source>
        <translation>SOCKS</translation>
    </message>
    <message>
        <source>Autodetect</source>
        <translation>Automatisch erkennen</translation>
    </message>
    <message>
        <source>Auth:</source>
        <translation>Anmeldung:</translation>
    </message>
    <message>
        <source>Server:</source>
        <translation>Server:</translation>
    </message>
    <message>
        <source>Port:</source>
        <translation>Port:</translation>
    </message>
    <message>
        <source>Username:</source>
        <translation>Benutzername:</translation>
    </message>
    <message>
        <source>Password:</source>
        <translation>Passwort:</translation>
    </message>
    <message>
        <source>RESTORE DEFAULT</source>
        <translation>ZURÜCKSETZEN</translation>
    </message>
    <message>
        <source>SAVE</source>
        <translation>SPEICHERN</translation>
    </message>
    <message>
        <source>CLOSE</source>
        <translation>SCHLIESSEN</translation>
    </message>
    <message>
        <source>Options Menu</source>
        <translation>Optionsmenü</translation>
    </message>
    <message>
        <source>Lets your e-mail program send mail through your Internet Service Provider&apos;s server while %1 is connected. Leave the field empty when your provider uses SSL SMTP; otherwise enter its SMTP server. Receiving mail is not affected.</source>
        <translation>Ermöglicht Ihrem E-Mail-Programm, E-Mails über den Server Ihres Internetanbieters zu senden, während %1 verbunden ist. Lassen Sie das Feld leer, wenn Ihr Anbieter SMTP mit SSL nutzt; andernfalls geben Sie dessen SMTP-Server ein. Der E-Mail-Empfang ist nicht betroffen.</translation>
    </message>
    <message>
        <source>Adds a &quot;Change IP&quot; button to the main screen of your %1 software to allow you to Change IP instantly in one click.</source>
        <translation>Fügt dem Hauptfenster Ihrer %1-Software eine Schaltfläche &quot;IP ändern&quot; hinzu, mit der Sie die IP sofort mit einem Klick wechseln.</translation>
    </message>
    <message>
        <source>&amp;Favorite</source>
        <translation>&amp;Favorit</translation>
    </message>
    <message>
        <source>&amp;Anchor IP</source>
        <translation>&amp;Anker-IP</translation>
    </message>
    <message>
        <source>Change</source>
        <translation>Ändern</translation>
    </message>
    <message>
        <source>1 minute</source>
        <translation>1 Minute</translation>
    </message>
    <message>
        <source>%1 minutes</source>
        <translation>%1 Minuten</translation>
    </message>
    <message>
        <source>Every: %1 minute(s)</source>
        <translation>Intervall: %1 Minute(n)</translation>
    </message>
    <message>
        <source>Changes IP automatically every %1 minute(s).</source>
        <translation>Wechselt die IP automatisch alle %1 Minute(n).</translation>
    </message>
    <message>
        <source>Your options could not be saved to %1.
Check that the folder can be written to and press SAVE again.</source>
        <translation>Ihre Optionen konnten nicht in %1 gespeichert werden.
Prüfen Sie, ob der Ordner beschreibbar ist, und drücken Sie erneut SPEICHERN.</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>To apply &quot;Point-to-Point&quot; changes, please restart %1 application.
Do you want to restart %1 now?
(Note: If you are currently connected, the connection will be closed.)</source>
        <translation>Um die &quot;Punkt-zu-Punkt&quot;-Änderungen zu übernehmen, starten Sie die %1-Anwendung bitte neu.
Möchten Sie %1 jetzt neu starten?
(Hinweis: Wenn Sie gerade verbunden sind, wird die Verbindung getrennt.)</translation>
    </message>
    <message>
        <source>YES</source>
        <translation>JA</translation>
    </message>
    <message>
        <source>NO</source>
        <translation>NEIN</translation>
    </message>
    <message>
        <source>Are you sure you want to reset program settings back to the default settings?</source>
        <translation>Möchten Sie die Programmeinstellungen wirklich auf die Standardwerte zurücksetzen?</translation>
    </message>
    <message>
        <source>You are navigating away from this menu without saving your changes.
Would you like to save changes or close Options menu without saving?</source>
        <translation>Sie verlassen dieses Menü, ohne Ihre Änderungen zu speichern.
Möchten Sie die Änderungen speichern oder das Optionsmenü ohne Speichern schließen?</translation>
    </message>
    <message>
        <source>CLOSE WITHOUT SAVING</source>
        <translation>SCHLIESSEN OHNE SPEICHERN</translation>
    </message>
    <message>
        <source>Leak Protection</source>
        <translation>Schutz vor Datenlecks</translation>
    </message>
    <message>
        <source>Block traffic when the VPN is down</source>
        <translation>Datenverkehr bei getrenntem VPN sperren</translation>
    </message>
    <message>
        <source>From CONNECT until you disconnect, nothing leaves this computer outside the VPN, also while a dropped connection waits to reconnect.</source>
        <translation>Von VERBINDEN bis zum Trennen verlässt nichts diesen Computer außerhalb des VPN, auch nicht, während eine abgebrochene Verbindung auf die Wiederherstellung wartet.</translation>
    </message>
</context>
<context>
    <name>VPNServerMarks</name>
    <message>
        <source>You are removing your Favorite server.</source>
        <translation>Sie entfernen Ihren Favoriten-Server.</translation>
    </message>
    <message>
        <source>Are you sure you want to proceed?</source>
        <translation>Möchten Sie wirklich fortfahren?</translation>
    </message>
    <message>
        <source>Your Favorite server has been set to:</source>
        <translation>Ihr Favoriten-Server ist jetzt:</translation>
    </message>
    <message>
        <source>You are changing your Favorite server to:</source>
        <translation>Sie ändern Ihren Favoriten-Server in:</translation>
    </message>
    <message>
        <source>You are removing your Anchor IP Address. This means that you might not be able to get the same Anchor IP Address next time.</source>
        <translation>Sie entfernen Ihre Anker-IP-Adresse. Möglicherweise erhalten Sie beim nächsten Mal nicht dieselbe Anker-IP-Adresse.</translation>
    </message>
    <message>
        <source>Your Anchor IP has been set to the following server location:</source>
        <translation>Ihre Anker-IP ist jetzt diesem Serverstandort zugeordnet:</translation>
    </message>
    <message>
        <source>You are about to change your Anchor IP. Your new Anchor IP will be set to the following server location:</source>
        <translation>Sie ändern gleich Ihre Anker-IP. Ihre neue Anker-IP wird diesem Serverstandort zugeordnet:</translation>
    </message>
    <message>
        <source>YES</source>
        <translation>JA</translation>
    </message>
    <message>
        <source>NO</source>
        <translation>NEIN</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>VPNSimpleDialog</name>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Warnung</translation>
    </message>
</context>
<context>
    <name>VPNTrayIcon</name>
    <message>
        <source>Disconnected</source>
        <translation>Getrennt</translation>
    </message>
    <message>
        <source>CONNECTED</source>
        <translation>VERBUNDEN</translation>
    </message>
    <message>
        <source>DISCONNECTED</source>
        <translation>GETRENNT</translation>
    </message>
    <message>
        <source>Connecting...</source>
        <translation>Verbindung wird hergestellt...</translation>
    </message>
    <message>
        <source>Connected</source>
        <translation>Verbunden</translation>
    </message>
    <message>
        <source>Verify</source>
        <translation>Prüfen</translation>
    </message>
    <message>
        <source>Change New IP</source>
        <translation>Neue IP ändern</translation>
    </message>
    <message>
        <source>&amp;Connect</source>
        <translation>&amp;Verbinden</translation>
    </message>
    <message>
        <source>&amp;Disconnect</source>
        <translation>&amp;Trennen</translation>
    </message>
    <message>
        <source>&amp;Open %1</source>
        <translation>%1 ö&amp;ffnen</translation>
    </message>
    <message>
        <source>&amp;Quit %1</source>
        <translation>%1 &amp;beenden</translation>
    </message>
</context>
<context>
    <name>VPNUpdateDialog</name>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Update</source>
        <translation>Aktualisierung</translation>
    </message>
    <message>
        <source>Checking for updates...</source>
        <translation>Suche nach Aktualisierungen...</translation>
    </message>
    <message>
        <source>Version %1 is available. You have version %2.</source>
        <translation>Version %1 ist verfügbar. Sie haben Version %2.</translation>
    </message>
    <message>
        <source>Download version %1</source>
        <translation>Version %1 herunterladen</translation>
    </message>
    <message>
        <source>Release notes</source>
        <translation>Versionshinweise</translation>
    </message>
    <message>
        <source>You have the newest version (%1).</source>
        <translation>Sie haben die neueste Version (%1).</translation>
    </message>
    <message>
        <source>The update check failed. Please try again later.</source>
        <translation>Die Suche nach Aktualisierungen ist fehlgeschlagen. Bitte versuchen Sie es später erneut.</translation>
    </message>
</context>
</TS>
