<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR">
<context>
    <name>AccountSession</name>
    <message>
        <source>ENTER YOUR ACCOUNT KEY TO SIGN IN.</source>
        <translation>SAISISSEZ VOTRE CLÉ DE COMPTE POUR VOUS CONNECTER.</translation>
    </message>
    <message>
        <source>ENTER YOUR ACCOUNT KEY.</source>
        <translation>SAISISSEZ VOTRE CLÉ DE COMPTE.</translation>
    </message>
    <message>
        <source>THE ACCOUNT KEY CONTAINS CHARACTERS THAT ARE NOT ALLOWED.</source>
        <translation>LA CLÉ DE COMPTE CONTIENT DES CARACTÈRES NON AUTORISÉS.</translation>
    </message>
    <message>
        <source>CHECKING YOUR ACCOUNT KEY...</source>
        <translation>VÉRIFICATION DE VOTRE CLÉ DE COMPTE...</translation>
    </message>
    <message>
        <source>THIS ACCOUNT KEY IS NOT KNOWN. CHECK IT AND TRY AGAIN.</source>
        <translation>CETTE CLÉ DE COMPTE EST INCONNUE. VÉRIFIEZ-LA ET RÉESSAYEZ.</translation>
    </message>
    <message>
        <source>THE SERVICE DID NOT ACCEPT THE SIGN-IN. TRY AGAIN OR CONTACT SUPPORT.</source>
        <translation>LE SERVICE N&apos;A PAS ACCEPTÉ LA CONNEXION. RÉESSAYEZ OU CONTACTEZ LE SUPPORT.</translation>
    </message>
    <message>
        <source>NETWORK ERROR. TRY AGAIN OR EXIT AND CONTACT SUPPORT.</source>
        <translation>ERREUR RÉSEAU. RÉESSAYEZ OU QUITTEZ ET CONTACTEZ LE SUPPORT.</translation>
    </message>
</context>
<context>
    <name>ConnectionController</name>
    <message>
        <source>CLICK CONNECT TO SECURE YOUR INTERNET</source>
        <translation>POUR UN INTERNET SÛR : CONNEXION</translation>
    </message>
    <message>
        <source>Connecting...</source>
        <translation>Connexion en cours...</translation>
    </message>
    <message>
        <source>YOU ARE SECURELY CONNECTED</source>
        <translation>CONNECTÉ EN TOUTE SÉCURITÉ</translation>
    </message>
    <message>
        <source>Restoring Point-to-Point connection...</source>
        <translation>Rétablissement de la connexion point à point...</translation>
    </message>
    <message>
        <source>Secure Disconnection is in progress:</source>
        <translation>Déconnexion sécurisée en cours :</translation>
    </message>
    <message>
        <source>Activity Log: None found</source>
        <translation>Journal d&apos;activité : aucun</translation>
    </message>
    <message>
        <source>Local IP Log: None found</source>
        <translation>Journal des IP locales : aucun</translation>
    </message>
    <message>
        <source>Assigned IP: Cleared</source>
        <translation>IP attribuée : effacée</translation>
    </message>
    <message>
        <source>Changing...</source>
        <translation>Changement...</translation>
    </message>
    <message>
        <source>IP ERROR OCCURRED. &lt;a href=&quot;restartLink&quot; style=&quot;color: #0000AA;&quot;&gt;&lt;b&gt;RESTART&lt;/b&gt;&lt;/a&gt; &amp; TRY AGAIN OR EXIT &amp; CONTACT SUPPORT.</source>
        <translation>ERREUR D&apos;IP. &lt;a href=&quot;restartLink&quot; style=&quot;color: #0000AA;&quot;&gt;&lt;b&gt;REDÉMARREZ&lt;/b&gt;&lt;/a&gt; ET RÉESSAYEZ, OU QUITTEZ ET CONTACTEZ LE SUPPORT.</translation>
    </message>
    <message>
        <source>AN OPENVPN ERROR OCCURRED. &lt;a href=&quot;restartLink&quot; style=&quot;color: #0000AA;&quot;&gt;&lt;b&gt;RESTART&lt;/b&gt;&lt;/a&gt; &amp; TRY AGAIN OR EXIT &amp; CONTACT SUPPORT.</source>
        <translation>UNE ERREUR OPENVPN EST SURVENUE. &lt;a href=&quot;restartLink&quot; style=&quot;color: #0000AA;&quot;&gt;&lt;b&gt;REDÉMARREZ&lt;/b&gt;&lt;/a&gt; ET RÉESSAYEZ, OU QUITTEZ ET CONTACTEZ LE SUPPORT.</translation>
    </message>
    <message>
        <source>AN ERROR OCCURRED. &lt;a href=&quot;restartLink&quot; style=&quot;color: #0000AA;&quot;&gt;&lt;b&gt;RESTART&lt;/b&gt;&lt;/a&gt; &amp; TRY AGAIN OR EXIT &amp; CONTACT SUPPORT.</source>
        <translation>UNE ERREUR EST SURVENUE. &lt;a href=&quot;restartLink&quot; style=&quot;color: #0000AA;&quot;&gt;&lt;b&gt;REDÉMARREZ&lt;/b&gt;&lt;/a&gt; ET RÉESSAYEZ, OU QUITTEZ ET CONTACTEZ LE SUPPORT.</translation>
    </message>
    <message>
        <source>THIS SERVER IS UNAVAILABLE. TRY AGAIN LATER OR TRY ANOTHER SERVER.</source>
        <translation>CE SERVEUR EST INDISPONIBLE. RÉESSAYEZ PLUS TARD OU CHOISISSEZ UN AUTRE SERVEUR.</translation>
    </message>
    <message>
        <source>THERE IS NO ACTIVE INTERNET CONNECTION.
CHECK YOUR INTERNET CONNECTION AND TRY AGAIN.</source>
        <translation>AUCUNE CONNEXION INTERNET ACTIVE.
VÉRIFIEZ VOTRE CONNEXION INTERNET ET RÉESSAYEZ.</translation>
    </message>
    <message>
        <source>NETWORK ERROR. TRY AGAIN OR EXIT AND CONTACT SUPPORT.</source>
        <translation>ERREUR RÉSEAU. RÉESSAYEZ OU QUITTEZ ET CONTACTEZ LE SUPPORT.</translation>
    </message>
    <message>
        <source>TRAFFIC CANNOT BE BLOCKED WHILE THE VPN IS DOWN.
TURN OFF &quot;BLOCK TRAFFIC WHEN THE VPN IS DOWN&quot; IN OPTIONS OR CONTACT SUPPORT.</source>
        <translation>LE TRAFIC NE PEUT PAS ÊTRE BLOQUÉ QUAND LE VPN EST COUPÉ.
DÉSACTIVEZ « BLOQUER LE TRAFIC QUAND LE VPN EST COUPÉ » DANS LES OPTIONS OU CONTACTEZ LE SUPPORT.</translation>
    </message>
</context>
<context>
    <name>VPNGenericDialog</name>
    <message>
        <source>Options</source>
        <translation>Options</translation>
    </message>
</context>
<context>
    <name>VPNHelpDialog</name>
    <message>
        <source>Tools</source>
        <translation>Outils</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>Langue</translation>
    </message>
    <message>
        <source>About</source>
        <translation>À propos</translation>
    </message>
    <message>
        <source>Get Help</source>
        <translation>Obtenir de l&apos;aide</translation>
    </message>
    <message>
        <source>Support File</source>
        <translation>Fichier de support</translation>
    </message>
    <message>
        <source>Please wait... The Support File is being generated and sent.</source>
        <translation>Veuillez patienter... Le fichier de support est en cours de création et d&apos;envoi.</translation>
    </message>
    <message>
        <source>Send File to Support</source>
        <translation>Envoyer le fichier au support</translation>
    </message>
    <message>
        <source>Generates a file which helps us identify causes of any technical problems you may be experiencing with your %1 software.
Note: This file doesn&apos;t contain any personal information and is intended for technical support assistance only.</source>
        <translation>Crée un fichier qui nous aide à trouver la cause des problèmes techniques que vous rencontrez avec votre logiciel %1.
Remarque : ce fichier ne contient aucune information personnelle et sert uniquement à l&apos;assistance technique.</translation>
    </message>
    <message>
        <source>Interface Language</source>
        <translation>Langue de l&apos;interface</translation>
    </message>
    <message>
        <source>Your current %1 interface language is:</source>
        <translation>La langue actuelle de l&apos;interface %1 est :</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>Appliquer</translation>
    </message>
    <message>
        <source>Changes language of your %1 software interface.</source>
        <translation>Change la langue de l&apos;interface de votre logiciel %1.</translation>
    </message>
    <message>
        <source>Software</source>
        <translation>Logiciel</translation>
    </message>
    <message>
        <source>Software Version:</source>
        <translation>Version du logiciel :</translation>
    </message>
    <message>
        <source>About the Service</source>
        <translation>À propos du service</translation>
    </message>
    <message>
        <source>About the Company</source>
        <translation>À propos de l&apos;entreprise</translation>
    </message>
    <message>
        <source>Getting Started</source>
        <translation>Premiers pas</translation>
    </message>
    <message>
        <source>Basic Troubleshooting</source>
        <translation>Dépannage de base</translation>
    </message>
    <message>
        <source>Support Options</source>
        <translation>Options d&apos;assistance</translation>
    </message>
    <message>
        <source>CLOSE</source>
        <translation>FERMER</translation>
    </message>
    <message>
        <source>English</source>
        <translation>Anglais</translation>
    </message>
    <message>
        <source>French</source>
        <translation>Français</translation>
    </message>
    <message>
        <source>German</source>
        <translation>Allemand</translation>
    </message>
    <message>
        <source>Help Menu</source>
        <translation>Menu d&apos;aide</translation>
    </message>
    <message>
        <source>Change Language</source>
        <translation>Changer de langue</translation>
    </message>
    <message>
        <source>Choose a server location and press CONNECT. When the status indicator turns solid green, your connection is secure. Closing the window puts the program in the tray, where it keeps running.&lt;br&gt;&lt;a href=&quot;%1&quot;&gt;Get Started Guide&lt;/a&gt;</source>
        <translation>Choisissez un emplacement de serveur et appuyez sur CONNEXION. Quand l&apos;indicateur d&apos;état devient vert plein, votre connexion est sécurisée. Fermer la fenêtre place le programme dans la zone de notification, où il continue de fonctionner.&lt;br&gt;&lt;a href=&quot;%1&quot;&gt;Guide de démarrage&lt;/a&gt;</translation>
    </message>
    <message>
        <source>When something does not work as expected, the &lt;a href=&quot;%1&quot;&gt;Basic Troubleshooting Guide&lt;/a&gt; lists the usual causes and what to do.</source>
        <translation>Si quelque chose ne fonctionne pas comme prévu, le &lt;a href=&quot;%1&quot;&gt;guide de dépannage de base&lt;/a&gt; présente les causes habituelles et les solutions.</translation>
    </message>
    <message>
        <source>For anything else, the manual and our support team are there to help.&lt;p align=&quot;center&quot;&gt;&lt;a href=&quot;%1&quot;&gt;User Manual&lt;/a&gt; | &lt;a href=&quot;%2&quot;&gt;Knowledgebase&lt;/a&gt; | &lt;a href=&quot;%3&quot;&gt;Online Support&lt;/a&gt; | &lt;a href=&quot;%4&quot;&gt;Email Support&lt;/a&gt;&lt;/p&gt;</source>
        <translation>Pour tout le reste, le manuel et notre équipe de support sont là pour vous aider.&lt;p align=&quot;center&quot;&gt;&lt;a href=&quot;%1&quot;&gt;Manuel&lt;/a&gt; | &lt;a href=&quot;%2&quot;&gt;Base de connaissances&lt;/a&gt; | &lt;a href=&quot;%3&quot;&gt;Support en ligne&lt;/a&gt; | &lt;a href=&quot;%4&quot;&gt;Support par e-mail&lt;/a&gt;&lt;/p&gt;</translation>
    </message>
    <message>
        <source>%1 is a subscription VPN service. It puts your computer&apos;s internet traffic through an encrypted tunnel to one of its servers, so that the networks on the way cannot read it and web sites see the server&apos;s IP address instead of yours.</source>
        <translation>%1 est un service VPN par abonnement. Il fait passer le trafic internet de votre ordinateur par un tunnel chiffré vers l&apos;un de ses serveurs : les réseaux traversés ne peuvent pas le lire et les sites web voient l&apos;adresse IP du serveur au lieu de la vôtre.</translation>
    </message>
    <message>
        <source>%1 is built and run by a small team that operates its own VPN servers. More about us and the service: &lt;a href=&quot;%2&quot;&gt;%3&lt;/a&gt;</source>
        <translation>%1 est conçu et exploité par une petite équipe qui gère ses propres serveurs VPN. En savoir plus sur nous et le service : &lt;a href=&quot;%2&quot;&gt;%3&lt;/a&gt;</translation>
    </message>
    <message>
        <source>Support File has been sent.</source>
        <translation>Le fichier de support a été envoyé.</translation>
    </message>
    <message>
        <source>Support File error has occurred, please contact support.</source>
        <translation>Une erreur est survenue avec le fichier de support, veuillez contacter le support.</translation>
    </message>
    <message>
        <source>Generation of Support File is in progress. Please wait until it&apos;s finished.</source>
        <translation>La création du fichier de support est en cours. Veuillez patienter jusqu&apos;à la fin.</translation>
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
        <translation>Trop long ? &lt;a href=&quot;restart&quot;&gt;&lt;span style=&quot;font-weight:700; color:#7AAAD2; text-decoration:none;&quot;&gt;Annuler et réessayer &amp;gt;&amp;gt;&lt;/span&gt;&lt;/a&gt;</translation>
    </message>
    <message>
        <source>TRY AGAIN</source>
        <translation>RÉESSAYER</translation>
    </message>
    <message>
        <source>EXIT</source>
        <translation>QUITTER</translation>
    </message>
    <message>
        <source>Options</source>
        <translation>Options</translation>
    </message>
    <message>
        <source>Update</source>
        <translation>Mise à jour</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Aide</translation>
    </message>
    <message>
        <source>Sign out</source>
        <translation>Se déconnecter</translation>
    </message>
    <message>
        <source>LOCAL IP:</source>
        <translation>IP LOCALE:</translation>
    </message>
    <message>
        <source>NEW IP:</source>
        <translation>IP VPN:</translation>
    </message>
    <message>
        <source>CHANGE</source>
        <translation>CHANGER</translation>
    </message>
    <message>
        <source>CONNECT</source>
        <translation>CONNEXION</translation>
    </message>
    <message>
        <source>CANCEL</source>
        <translation>ANNULER</translation>
    </message>
    <message>
        <source>DISCONNECT</source>
        <translation>DÉCONNEXION</translation>
    </message>
    <message>
        <source>TCP Activated</source>
        <translation>TCP activé</translation>
    </message>
    <message>
        <source>Point-to-Point Activated</source>
        <translation>Point à point activé</translation>
    </message>
    <message>
        <source>CLICK CONNECT TO SECURE YOUR INTERNET</source>
        <translation>POUR UN INTERNET SÛR : CONNEXION</translation>
    </message>
    <message>
        <source>ENTER YOUR ACCOUNT KEY TO SIGN IN.</source>
        <translation>SAISISSEZ VOTRE CLÉ DE COMPTE POUR VOUS CONNECTER.</translation>
    </message>
    <message>
        <source>Account key</source>
        <translation>Clé de compte</translation>
    </message>
    <message>
        <source>SIGN IN</source>
        <translation>SE CONNECTER</translation>
    </message>
    <message>
        <source>MENU</source>
        <translation>MENU</translation>
    </message>
    <message>
        <source>Initializing...</source>
        <translation>Initialisation...</translation>
    </message>
    <message>
        <source>Verify</source>
        <translation>Vérifier</translation>
    </message>
    <message>
        <source>Show in Options</source>
        <translation>Afficher dans les options</translation>
    </message>
    <message>
        <source>&amp;Favorite</source>
        <translation>&amp;Favori</translation>
    </message>
    <message>
        <source>&amp;Anchor IP</source>
        <translation>IP &amp;ancrée</translation>
    </message>
    <message>
        <source>No account yet? </source>
        <translation>Pas encore de compte ? </translation>
    </message>
    <message>
        <source>Sign up &amp;gt;&amp;gt;</source>
        <translation>S&apos;inscrire &amp;gt;&amp;gt;</translation>
    </message>
    <message>
        <source>BACK</source>
        <translation>RETOUR</translation>
    </message>
    <message>
        <source>Connected</source>
        <translation>Connecté</translation>
    </message>
    <message>
        <source>Disconnected</source>
        <translation>Déconnecté</translation>
    </message>
    <message>
        <source>Disconnected from: </source>
        <translation>Déconnecté de : </translation>
    </message>
    <message>
        <source>Connected to: </source>
        <translation>Connecté à : </translation>
    </message>
    <message>
        <source>Since: </source>
        <translation>Depuis : </translation>
    </message>
    <message>
        <source>Local IP: </source>
        <translation>IP locale : </translation>
    </message>
    <message>
        <source>New IP: </source>
        <translation>Nouvelle IP : </translation>
    </message>
    <message>
        <source>Creating Point-to-Point Connection. Please wait...</source>
        <translation>Création de la connexion point à point. Veuillez patienter...</translation>
    </message>
</context>
<context>
    <name>VPNOptionsDialog</name>
    <message>
        <source>Start Up</source>
        <translation>Démarrage</translation>
    </message>
    <message>
        <source>Email</source>
        <translation>E-mail</translation>
    </message>
    <message>
        <source>Servers &amp;&amp; IPs</source>
        <translation>Serveurs &amp;&amp; IP</translation>
    </message>
    <message>
        <source>Advanced</source>
        <translation>Avancé</translation>
    </message>
    <message>
        <source>Software Automation Options</source>
        <translation>Options d&apos;automatisation</translation>
    </message>
    <message>
        <source>Enable Auto Connect</source>
        <translation>Activer la connexion automatique</translation>
    </message>
    <message>
        <source>Connects automatically on program launch.</source>
        <translation>Se connecte automatiquement au lancement du programme.</translation>
    </message>
    <message>
        <source>Enable Auto Launch</source>
        <translation>Activer le lancement automatique</translation>
    </message>
    <message>
        <source>Launches automatically when you log in.</source>
        <translation>Se lance automatiquement à l&apos;ouverture de votre session.</translation>
    </message>
    <message>
        <source>Fastest Server Default</source>
        <translation>Serveur le plus rapide par défaut</translation>
    </message>
    <message>
        <source>Chooses the fastest server on program launch.</source>
        <translation>Choisit le serveur le plus rapide au lancement du programme.</translation>
    </message>
    <message>
        <source>Enable TCP on Program Launch</source>
        <translation>Activer TCP au lancement du programme</translation>
    </message>
    <message>
        <source>TCP servers are only for passing restrictive firewalls: they are slower and drop the connection more often. Turn on &quot;Enable TCP Servers&quot; under Advanced first.</source>
        <translation>Les serveurs TCP servent uniquement à franchir les pare-feu restrictifs : ils sont plus lents et coupent plus souvent la connexion. Cochez d&apos;abord &quot;Activer les serveurs TCP&quot; dans Avancé.</translation>
    </message>
    <message>
        <source>Allow Your Email Client Software to Connect</source>
        <translation>Autoriser la connexion de votre logiciel de messagerie</translation>
    </message>
    <message>
        <source>SMTP address from your Internet Service Provider:</source>
        <translation>Adresse SMTP de votre fournisseur d&apos;accès à Internet :</translation>
    </message>
    <message>
        <source>Choose Country</source>
        <translation>Choisir le pays</translation>
    </message>
    <message>
        <source>Select Server Location:</source>
        <translation>Choisissez l&apos;emplacement du serveur :</translation>
    </message>
    <message>
        <source>Right-click on the server location to mark a location as your Favorite or set your Anchor IP address.</source>
        <translation>Faites un clic droit sur un emplacement de serveur pour le marquer comme favori ou y définir votre adresse IP ancrée.</translation>
    </message>
    <message>
        <source>Keep in Options</source>
        <translation>Laisser dans les options</translation>
    </message>
    <message>
        <source>Move to the main screen</source>
        <translation>Déplacer vers l&apos;écran principal</translation>
    </message>
    <message>
        <source>Change New IP</source>
        <translation>Changer la nouvelle IP</translation>
    </message>
    <message>
        <source>Forced IP Change</source>
        <translation>Changement d&apos;IP forcé</translation>
    </message>
    <message>
        <source>Auto IP Change</source>
        <translation>Changement d&apos;IP automatique</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>Appliquer</translation>
    </message>
    <message>
        <source>Restrictive Firewall Options</source>
        <translation>Options pour pare-feu restrictifs</translation>
    </message>
    <message>
        <source>Enable TCP Servers</source>
        <translation>Activer les serveurs TCP</translation>
    </message>
    <message>
        <source>Turns all servers into TCP servers for bypassing restrictive firewalls and for encrypting slow speed (dialup) connections.</source>
        <translation>Transforme tous les serveurs en serveurs TCP pour contourner les pare-feu restrictifs et chiffrer les connexions lentes (accès commuté).</translation>
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
        <translation>Activer la connexion point à point</translation>
    </message>
    <message>
        <source>Bypasses highly restrictive firewalls and enhances security.</source>
        <translation>Contourne les pare-feu très restrictifs et renforce la sécurité.</translation>
    </message>
    <message>
        <source>Proxy Settings</source>
        <translation>Paramètres du proxy</translation>
    </message>
    <message>
        <source>Select:</source>
        <translation>Choisir :</translation>
    </message>
    <message>
        <source>No Proxy</source>
        <translation>Aucun proxy</translation>
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
        <translation>Détection automatique</translation>
    </message>
    <message>
        <source>Auth:</source>
        <translation>Identifiants :</translation>
    </message>
    <message>
        <source>Server:</source>
        <translation>Serveur :</translation>
    </message>
    <message>
        <source>Port:</source>
        <translation>Port :</translation>
    </message>
    <message>
        <source>Username:</source>
        <translation>Nom d&apos;utilisateur :</translation>
    </message>
    <message>
        <source>Password:</source>
        <translation>Mot de passe :</translation>
    </message>
    <message>
        <source>RESTORE DEFAULT</source>
        <translation>RÉINITIALISER</translation>
    </message>
    <message>
        <source>SAVE</source>
        <translation>ENREGISTRER</translation>
    </message>
    <message>
        <source>CLOSE</source>
        <translation>FERMER</translation>
    </message>
    <message>
        <source>Options Menu</source>
        <translation>Menu des options</translation>
    </message>
    <message>
        <source>Lets your e-mail program send mail through your Internet Service Provider&apos;s server while %1 is connected. Leave the field empty when your provider uses SSL SMTP; otherwise enter its SMTP server. Receiving mail is not affected.</source>
        <translation>Permet à votre logiciel de messagerie d&apos;envoyer des e-mails via le serveur de votre fournisseur d&apos;accès à Internet pendant que %1 est connecté. Laissez le champ vide si votre fournisseur utilise SMTP avec SSL ; sinon, saisissez son serveur SMTP. La réception des e-mails n&apos;est pas concernée.</translation>
    </message>
    <message>
        <source>Adds a &quot;Change IP&quot; button to the main screen of your %1 software to allow you to Change IP instantly in one click.</source>
        <translation>Ajoute un bouton &quot;Changer d&apos;IP&quot; à l&apos;écran principal de votre logiciel %1 pour changer d&apos;IP instantanément, en un clic.</translation>
    </message>
    <message>
        <source>&amp;Favorite</source>
        <translation>&amp;Favori</translation>
    </message>
    <message>
        <source>&amp;Anchor IP</source>
        <translation>IP &amp;ancrée</translation>
    </message>
    <message>
        <source>Change</source>
        <translation>Changer</translation>
    </message>
    <message>
        <source>1 minute</source>
        <translation>1 minute</translation>
    </message>
    <message>
        <source>%1 minutes</source>
        <translation>%1 minutes</translation>
    </message>
    <message>
        <source>Every: %1 minute(s)</source>
        <translation>Intervalle : %1 minute(s)</translation>
    </message>
    <message>
        <source>Changes IP automatically every %1 minute(s).</source>
        <translation>Change d&apos;IP automatiquement toutes les %1 minute(s).</translation>
    </message>
    <message>
        <source>Your options could not be saved to %1.
Check that the folder can be written to and press SAVE again.</source>
        <translation>Vos options n&apos;ont pas pu être enregistrées dans %1.
Vérifiez que le dossier est accessible en écriture et appuyez à nouveau sur ENREGISTRER.</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>To apply &quot;Point-to-Point&quot; changes, please restart %1 application.
Do you want to restart %1 now?
(Note: If you are currently connected, the connection will be closed.)</source>
        <translation>Pour appliquer les modifications &quot;point à point&quot;, veuillez redémarrer l&apos;application %1.
Voulez-vous redémarrer %1 maintenant ?
(Remarque : si vous êtes connecté, la connexion sera fermée.)</translation>
    </message>
    <message>
        <source>YES</source>
        <translation>OUI</translation>
    </message>
    <message>
        <source>NO</source>
        <translation>NON</translation>
    </message>
    <message>
        <source>Are you sure you want to reset program settings back to the default settings?</source>
        <translation>Voulez-vous vraiment rétablir les paramètres par défaut du programme ?</translation>
    </message>
    <message>
        <source>You are navigating away from this menu without saving your changes.
Would you like to save changes or close Options menu without saving?</source>
        <translation>Vous quittez ce menu sans enregistrer vos modifications.
Voulez-vous enregistrer les modifications ou fermer le menu des options sans enregistrer ?</translation>
    </message>
    <message>
        <source>CLOSE WITHOUT SAVING</source>
        <translation>FERMER SANS ENREGISTRER</translation>
    </message>
    <message>
        <source>Leak Protection</source>
        <translation>Protection contre les fuites</translation>
    </message>
    <message>
        <source>Block traffic when the VPN is down</source>
        <translation>Bloquer le trafic quand le VPN est coupé</translation>
    </message>
    <message>
        <source>From CONNECT until you disconnect, nothing leaves this computer outside the VPN, also while a dropped connection waits to reconnect.</source>
        <translation>De CONNEXION jusqu'à votre déconnexion, rien ne quitte cet ordinateur hors du VPN, même pendant qu'une connexion interrompue attend de se rétablir.</translation>
    </message>
</context>
<context>
    <name>VPNServerMarks</name>
    <message>
        <source>You are removing your Favorite server.</source>
        <translation>Vous supprimez votre serveur favori.</translation>
    </message>
    <message>
        <source>Are you sure you want to proceed?</source>
        <translation>Voulez-vous vraiment continuer ?</translation>
    </message>
    <message>
        <source>Your Favorite server has been set to:</source>
        <translation>Votre serveur favori est maintenant :</translation>
    </message>
    <message>
        <source>You are changing your Favorite server to:</source>
        <translation>Vous changez votre serveur favori pour :</translation>
    </message>
    <message>
        <source>You are removing your Anchor IP Address. This means that you might not be able to get the same Anchor IP Address next time.</source>
        <translation>Vous supprimez votre adresse IP ancrée. Vous ne pourrez peut-être pas obtenir la même adresse IP ancrée la prochaine fois.</translation>
    </message>
    <message>
        <source>Your Anchor IP has been set to the following server location:</source>
        <translation>Votre IP ancrée est maintenant attribuée à l&apos;emplacement de serveur suivant :</translation>
    </message>
    <message>
        <source>You are about to change your Anchor IP. Your new Anchor IP will be set to the following server location:</source>
        <translation>Vous allez changer votre IP ancrée. Votre nouvelle IP ancrée sera attribuée à l&apos;emplacement de serveur suivant :</translation>
    </message>
    <message>
        <source>YES</source>
        <translation>OUI</translation>
    </message>
    <message>
        <source>NO</source>
        <translation>NON</translation>
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
        <translation>Annuler</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Avertissement</translation>
    </message>
</context>
<context>
    <name>VPNTrayIcon</name>
    <message>
        <source>Disconnected</source>
        <translation>Déconnecté</translation>
    </message>
    <message>
        <source>CONNECTED</source>
        <translation>CONNECTÉ</translation>
    </message>
    <message>
        <source>DISCONNECTED</source>
        <translation>DÉCONNECTÉ</translation>
    </message>
    <message>
        <source>Connecting...</source>
        <translation>Connexion en cours...</translation>
    </message>
    <message>
        <source>Connected</source>
        <translation>Connecté</translation>
    </message>
    <message>
        <source>Verify</source>
        <translation>Vérifier</translation>
    </message>
    <message>
        <source>Change New IP</source>
        <translation>Changer la nouvelle IP</translation>
    </message>
    <message>
        <source>&amp;Connect</source>
        <translation>&amp;Connexion</translation>
    </message>
    <message>
        <source>&amp;Disconnect</source>
        <translation>&amp;Déconnexion</translation>
    </message>
    <message>
        <source>&amp;Open %1</source>
        <translation>&amp;Ouvrir %1</translation>
    </message>
    <message>
        <source>&amp;Quit %1</source>
        <translation>&amp;Quitter %1</translation>
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
        <translation>Mise à jour</translation>
    </message>
    <message>
        <source>Checking for updates...</source>
        <translation>Recherche de mises à jour...</translation>
    </message>
    <message>
        <source>Version %1 is available. You have version %2.</source>
        <translation>La version %1 est disponible. Vous avez la version %2.</translation>
    </message>
    <message>
        <source>Download version %1</source>
        <translation>Télécharger la version %1</translation>
    </message>
    <message>
        <source>Release notes</source>
        <translation>Notes de version</translation>
    </message>
    <message>
        <source>You have the newest version (%1).</source>
        <translation>Vous avez la version la plus récente (%1).</translation>
    </message>
    <message>
        <source>The update check failed. Please try again later.</source>
        <translation>La recherche de mises à jour a échoué. Veuillez réessayer plus tard.</translation>
    </message>
</context>
</TS>
