// Every French message the program raises, in one place, so that the console
// tools and the tests speak exactly as the program does. UTF-8.
#pragma once

namespace msg {

// Paths, files and hashing
inline constexpr char kOwnPathNotFound[] = "Chemin de Orkvane introuvable";
inline constexpr char kKnownFolderNotFound[] = "Dossier Windows introuvable";
inline constexpr char kFolderCreateFailed[] = "Création du dossier impossible";
inline constexpr char kTempFolderNotFound[] = "Dossier temporaire introuvable";
inline constexpr char kShaUnavailable[] = "SHA-256 indisponible";
inline constexpr char kShaFailed[] = "Calcul SHA-256 impossible";
inline constexpr char kFileReadFailed[] = "Lecture du fichier impossible";

// Catalogue document
inline constexpr char kUtf8Invalid[] = "UTF-8 invalide";
inline constexpr char kJsonInvalid[] = "Lecture du catalogue JSON impossible";
inline constexpr char kEndpointInvalid[] = "Endpoint OVH absent ou invalide";
inline constexpr char kNoApps[] = "Aucune application dans le catalogue";
inline constexpr char kEntryIncomplete[] = "Entrée de catalogue incomplète";
inline constexpr char kOfflineIdInvalid[] = "Identifiant d'application invalide dans le catalogue USB";
inline constexpr char kNoValidApps[] = "Aucune application valide dans le catalogue";
inline constexpr char kCatalogSignatureInvalid[] = "Signature du catalogue absente ou invalide";
inline constexpr char kCatalogSignedOlder[] = "Catalogue signé plus ancien que le dernier reçu";
inline constexpr char kCatalogSignedExpired[] = "Catalogue signé expiré";
inline constexpr char kCatalogSignedWithoutExpiry[] = "Catalogue signé sans date d’expiration";

// HTTPS client
inline constexpr char kNetworkDisabledOffline[] = "Accès réseau désactivé en mode USB hors ligne";
inline constexpr char kUrlInvalid[] = "URL OVH invalide";
inline constexpr char kNetworkInitFailed[] = "Initialisation réseau impossible";
inline constexpr char kConnectFailed[] = "Connexion OVH impossible";
inline constexpr char kRequestFailed[] = "Requête OVH impossible";
inline constexpr char kServerNoAnswer[] = "Le serveur OVH ne répond pas";
inline constexpr char kNetworkReadFailed[] = "Lecture réseau impossible";
inline constexpr char kDownloadInterrupted[] = "Téléchargement interrompu";
inline constexpr char kDownloadTooLarge[] = "Fichier OVH trop volumineux";
inline constexpr char kProxyUnreachable[] = "Proxy injoignable";
inline constexpr char kProxySignInRefused[] = "Authentification du proxy refusée";

// Offline (USB) source
inline constexpr char kOfflineNoPath[] = "Sélectionnez la clé ou le dossier OrkvaneOffline";
inline constexpr char kOfflinePathInvalid[] = "Chemin USB invalide";
inline constexpr char kOfflineNotDriveLetter[] = "Choisissez un disque local ou une clé USB, sans chemin réseau";
inline constexpr char kOfflineDriveUnavailable[] = "Clé USB ou disque local indisponible";
inline constexpr char kOfflineNoCatalog[] = "catalog.json introuvable dans OrkvaneOffline sur la clé sélectionnée";
inline constexpr char kOfflineFileInaccessible[] = "Fichier USB inaccessible : clé absente, fichier manquant ou occupé";
inline constexpr char kOfflineFileTooLarge[] = "Fichier USB trop volumineux ou illisible";
inline constexpr char kOfflineReadInterrupted[] = "Lecture USB interrompue : vérifiez la connexion de la clé";
inline constexpr char kOfflineWritableByOthers[] = "Dossier modifiable par d’autres utilisateurs";
inline constexpr char kOfflineFixedDiskRefused[] =
    "Votre organisation n’autorise que les clés USB comme dossier hors ligne";
// The organisation's mirror on a file share
inline constexpr char kShareRootInvalid[] = "Chemin réseau invalide : indiquez \\\\serveur\\partage\\OrkvaneOffline";
inline constexpr char kShareNoCatalog[] = "catalog.json introuvable sur le partage réseau, ou partage inaccessible";
inline constexpr char kShareWritableByUser[] =
    "Miroir réseau refusé : vous pouvez modifier son dossier ou son catalog.json, que seuls ses administrateurs "
    "doivent pouvoir changer";

// Tool install, launch and uninstall
inline constexpr char kAppFileNameInvalid[] = "Nom de fichier d'application invalide";
inline constexpr char kShaMissingOrInvalid[] = "SHA-256 absent ou invalide dans le catalogue (64 caractères attendus)";
inline constexpr char kDownloadIdMissing[] = "downloadId absent dans le catalogue";
inline constexpr char kUsbCopyFailed[] =
    "Copie USB impossible : clé absente, programme manquant ou lecture interrompue";
inline constexpr char kUsbToolTooLarge[] = "Fichier USB trop volumineux";
inline constexpr char kFileCreateFailed[] = "Création du fichier impossible";
inline constexpr char kFileWriteFailed[] = "Écriture du fichier impossible";
inline constexpr char kShaMismatch[] = "SHA-256 invalide : le programme n'a pas été installé";
inline constexpr char kCopyToAppsFailed[] = "Copie dans le dossier Apps impossible";
inline constexpr char kUninstallFailed[] = "Suppression de l'application impossible";
inline constexpr char kAppNotInstalled[] = "Application non installée";
inline constexpr char kLaunchFailed[] = "Lancement impossible";
inline constexpr char kShortcutCreateFailed[] = "Création du raccourci impossible";
inline constexpr char kShortcutSaveFailed[] = "Enregistrement du raccourci impossible";
inline constexpr char kOperationStartFailed[] = "Démarrage de l'opération impossible";
inline constexpr char kNoPreviousVersion[] = "Aucune version précédente conservée";
inline constexpr char kRollbackFailed[] = "Retour à la version précédente impossible";
inline constexpr char kPreviousVersionChanged[] = "Version précédente modifiée";
// The publisher withdrew that release of the tool: it must never run again.
inline constexpr char kVersionWithdrawn[] = "Version retirée par l’éditeur : le programme n’a pas été installé";
inline constexpr char kPreviousVersionWithdrawn[] = "Version précédente retirée par l’éditeur";

// A tool that runs: "Fermez " + name + one of the endings.
inline constexpr char kCloseToolPrefix[] = "Fermez ";
inline constexpr char kCloseThenRetry[] = " puis réessayez.";
inline constexpr char kCloseBeforeUninstall[] = " avant de le désinstaller.";

// Tool operations: status line
inline constexpr char kOperationFailedPrefix[] = "Opération impossible : ";
inline constexpr char kUnknownError[] = "Erreur inconnue";
inline constexpr char kProgressInstall[] = "Installation de ";
inline constexpr char kProgressUninstall[] = "Désinstallation de ";
inline constexpr char kProgressLaunch[] = "Lancement de ";
inline constexpr char kProgressRollBack[] = "Retour à la version précédente de ";
inline constexpr char kProgressEnd[] = "...";
inline constexpr char kResultInstalled[] = " installé.";
inline constexpr char kResultUninstalled[] = " désinstallé.";
inline constexpr char kResultLaunched[] = " lancé.";
inline constexpr char kResultUpdatedForNextLaunch[] =
    " mis à jour ; la nouvelle version servira au prochain lancement.";
inline constexpr char kResultRolledBack[] = " : version précédente rétablie.";
// After the name, when the user stopped the operation with "Annuler".
inline constexpr char kOperationCancelled[] = " : opération annulée.";

// Another window or command line of the same user holds the operation lock.
inline constexpr char kAnotherOperationRunning[] =
    "Une autre opération d’Orkvane est en cours ; réessayez dans un instant.";
// Automatic updates, after the silent 24-hour check: the status line and the
// tray tooltip say what was done, each list of names ending with ".".
inline constexpr char kAutoUpdatedPrefix[] = "Mis à jour automatiquement : ";
inline constexpr char kAutoUpdateFailedPrefix[] = "Échec de la mise à jour automatique : ";
// Why an installed tool's update is not offered on this PC (the command line's list).
inline constexpr char kUpdateRolloutPending[] = "déploiement progressif";
inline constexpr char kUpdateDelayed[] = "mise à jour différée par votre organisation";

// What the organisation decides about one tool (policies "HeldTools" and
// "RequiredTools"): the card says it, and an explicit update or removal is
// refused with it.
inline constexpr char kHeldByUser[] = "Version conservée";
inline constexpr char kHeldByOrganisation[] = "Version conservée par votre organisation";
inline constexpr char kRequiredByOrganisation[] = "Application exigée par votre organisation";
// A required tool installed after a catalogue load: "Installation de " + name + this.
inline constexpr char kProgressRequiredEnd[] = " (exigée par votre organisation)...";
// "Installation de " + name + this + the error, in the status line only.
inline constexpr char kRequiredInstallFailed[] = " (exigée par votre organisation) impossible : ";

// Why the command line's list and --update-all leave an update aside, beside
// the holds' words and the schedule's: the user went back from that release.
inline constexpr char kUpdateTurnedDown[] = "version précédente rétablie";
// --update-all: the id, this, then why.
inline constexpr char kResultUpdateSkipped[] = " non mis à jour : ";

// The card menu's "Ne pas mettre à jour" and "Reprendre les mises à jour":
// the name, then one of these.
inline constexpr char kStatusToolHeld[] = " : version conservée, aucune mise à jour ne sera proposée.";
inline constexpr char kStatusToolReleased[] = " : mises à jour reprises.";
inline constexpr char kHoldNotSaved[] = "Windows n’a pas pu enregistrer ce choix.";

// The program itself
inline constexpr char kSelfCopyFailed[] = "Copie de Orkvane impossible";
inline constexpr char kDeferredTaskFailed[] = "Lancement de la tâche différée impossible";
inline constexpr char kSelfReplaceFailed[] = "Remplacement de Orkvane impossible";
inline constexpr char kSelfUninstallQuestion[] =
    "Désinstaller Orkvane ?\n\nLes applications du dossier Apps seront conservées.";
inline constexpr char kSelfUpdating[] = "Mise à jour de Orkvane...";
inline constexpr char kSelfUpdated[] = "Orkvane mise à jour.";
inline constexpr char kSelfShortcutDescription[] = "Catalogue central Kest";

// Main window: status line, tray icon and its menu
// Before the first catalogue load, and while one runs.
inline constexpr char kStatusLoadingOvh[] = "Chargement du catalogue OVH...";
inline constexpr char kStatusLoadingUsb[] = "Chargement du catalogue USB…";
inline constexpr char kStatusLoading[] = "Chargement du catalogue…";
inline constexpr char kStatusUsbCatalogLoaded[] = "Catalogue USB chargé · source en lecture seule.";
inline constexpr char kStatusOvhCatalogLoaded[] = "Catalogue OVH chargé.";
// Added after the status of a load whose signature was verified.
inline constexpr char kStatusCatalogSigned[] = "Catalogue signé.";
inline constexpr char kStatusPortableCatalogLoaded[] =
    "Installez puis relancez Orkvane depuis %LOCALAPPDATA%\\Kest_Tools pour installer ou exécuter une application.";
inline constexpr char kStatusCatalogUnreachable[] = "Catalogue inaccessible : ";
inline constexpr char kUnknownErrorLower[] = "erreur inconnue";
inline constexpr char kStatusSiteLinkOffline[] = "Le lien du site est désactivé en mode USB hors ligne.";
inline constexpr char kStatusSecretOn[] = "Mode secret actif : outils masqués affichés.";
inline constexpr char kStatusSecretOff[] = "Mode normal : outils masqués cachés.";
inline constexpr char kStatusAutostartUnavailable[] = "Démarrage automatique indisponible : voir Options.";
inline constexpr char kTrayTooltip[] = "Orkvane — Ouvrir ou clic droit pour quitter";
inline constexpr char kTrayMenuOpen[] = "Ouvrir Orkvane";
inline constexpr char kTrayMenuOptions[] = "Options…";
inline constexpr char kTrayMenuQuit[] = "Quitter Orkvane";

// Options dialog
inline constexpr char kWaitBeforeSourceChange[] = "Attendez la fin de l’opération avant de changer de source.";
inline constexpr char kAutostartRegisterFailed[] = "Windows n’a pas pu enregistrer le démarrage automatique.";

// Command line
inline constexpr char kCliUnknownArgument[] = "Argument inconnu : ";
inline constexpr char kCliMissingId[] = "Identifiant d’application manquant après ";
inline constexpr char kCliOneCommand[] = "Une seule commande par exécution";
inline constexpr char kCliNoCommand[] = "Aucune commande";
inline constexpr char kCliBadSource[] = "--source attend « web » ou « usb:CHEMIN »";
inline constexpr char kCliBadOutput[] = "--output attend un nom de fichier";
inline constexpr char kCliStartOnlyWithInstall[] = "--start ne va qu’avec --install-self";
inline constexpr char kCliConfirmOnlyWithRemoval[] = "--confirm ne va qu’avec --remove-self ou --uninstall";
inline constexpr char kCliUsage[] =
    "Utilisation : Orkvane.exe COMMANDE [OPTIONS]\n"
    "\n"
    "Commandes (une par exécution) :\n"
    "  --install-self [--start]     installe Orkvane pour cet utilisateur (ou répare l’installation)\n"
    "  --remove-self [--confirm]    désinstalle Orkvane ; le dossier Apps est conservé\n"
    "  --install ID…                installe les applications du catalogue\n"
    "  --update ID…                 met à jour les applications installées\n"
    "  --update-all                 met à jour toutes les applications installées\n"
    "  --uninstall ID… [--confirm]  désinstalle les applications\n"
    "  --list                       liste le catalogue et l’état de chaque application\n"
    "  --check                      indique si une mise à jour est disponible\n"
    "\n"
    "Options :\n"
    "  --source web | --source usb:CHEMIN   source du catalogue pour cette exécution\n"
    "  --output FICHIER             écrit aussi le rapport JSON dans ce fichier\n"
    "\n"
    "Codes de sortie : 0 terminé, 2 utilisation, 3 catalogue refusé, 4 échec d’un téléchargement ou d’une "
    "vérification, 5 application en cours d’exécution ou fichier verrouillé, 6 refusé par une stratégie ou le mode "
    "portable, 7 autre opération en cours, 8 échec partiel, 9 identifiant absent du catalogue.";
inline constexpr char kCliUnknownIdPrefix[] = "Application absente du catalogue : ";
inline constexpr char kCliSourcePolicy[] = "Source imposée par votre organisation";
inline constexpr char kCliSelfRemovalPolicy[] = "Désinstallation de Orkvane interdite par votre organisation";
inline constexpr char kCliCloseOrkvane[] = "Fermez Orkvane puis réessayez.";
inline constexpr char kCliSelfInstalled[] = "Orkvane installé.";
inline constexpr char kCliSelfRemoved[] = "Orkvane désinstallé.";
inline constexpr char kCliNothingDone[] = "Rien n’a été modifié.";
inline constexpr char kResultUpToDate[] = " est à jour.";
inline constexpr char kResultNotInstalledSkipped[] = " n’est pas installé : rien à mettre à jour.";
inline constexpr char kUninstallToolQuestion[] = "Désinstaller ";
inline constexpr char kQuestionEnd[] = " ?";

}  // namespace msg
