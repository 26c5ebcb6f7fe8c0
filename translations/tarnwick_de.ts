<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE" sourcelanguage="en_US">
<context>
    <name></name>
    <message id="menu.no_servers">
        <source>No servers configured</source>
        <translation>Keine Server eingerichtet</translation>
    </message>
    <message id="menu.mount_all">
        <source>Mount All</source>
        <translation>Alle verbinden</translation>
    </message>
    <message id="menu.unlock_keyring">
        <source>Unlock Keyring…</source>
        <translation>Schlüsselbund entsperren…</translation>
    </message>
    <message id="menu.unmount_all">
        <source>Unmount All</source>
        <translation>Alle trennen</translation>
    </message>
    <message id="menu.settings">
        <source>Settings…</source>
        <translation>Einstellungen…</translation>
    </message>
    <message id="menu.quit">
        <source>Quit Tarnwick</source>
        <translation>Tarnwick beenden</translation>
    </message>
    <message id="settings.window_title">
        <source>Tarnwick Settings</source>
        <translation>Tarnwick-Einstellungen</translation>
    </message>
    <message id="tab.servers">
        <source>Servers</source>
        <translation>Server</translation>
    </message>
    <message id="tab.general">
        <source>General</source>
        <translation>Allgemein</translation>
    </message>
    <message id="general.section.startup">
        <source>Startup</source>
        <translation>Start</translation>
    </message>
    <message id="general.launch_at_login">
        <source>Launch at login</source>
        <translation>Bei der Anmeldung starten</translation>
    </message>
    <message id="general.section.automount">
        <source>Automatic Mounting</source>
        <translation>Automatisches Verbinden</translation>
    </message>
    <message id="general.automount_footer">
        <source>Tarnwick checks your servers at this interval and mounts every share that is missing.</source>
        <translation>Tarnwick prüft die Server in diesem Abstand und verbindet jede fehlende Freigabe.</translation>
    </message>
    <message id="general.interval_label">
        <source>Check every</source>
        <translation>Prüfintervall</translation>
    </message>
    <message id="general.interval_value">
        <source>%lld s</source>
        <translation>%lld s</translation>
    </message>
    <message id="general.interval_help">
        <source>How often Tarnwick checks the servers and mounts missing shares</source>
        <translation>Wie oft Tarnwick die Server prüft und fehlende Freigaben verbindet</translation>
    </message>
    <message id="general.section.behavior">
        <source>Behaviour</source>
        <translation>Verhalten</translation>
    </message>
    <message id="general.keep_mounted_on_quit">
        <source>Keep shares mounted when quitting</source>
        <translation>Freigaben beim Beenden verbunden lassen</translation>
    </message>
    <message id="general.keep_mounted_on_quit_footer">
        <source>When this is off, Tarnwick unmounts every SMB share when it quits or the computer shuts down.</source>
        <translation>Ist dies aus, trennt Tarnwick beim Beenden und beim Herunterfahren alle SMB-Freigaben.</translation>
    </message>
    <message id="general.section.about">
        <source>About</source>
        <translation>Über</translation>
    </message>
    <message id="general.version">
        <source>Version</source>
        <translation>Version</translation>
    </message>
    <message id="general.website">
        <source>Website</source>
        <translation>Website</translation>
    </message>
    <message id="servers.add_server_help">
        <source>Add a server</source>
        <translation>Server hinzufügen</translation>
    </message>
    <message id="servers.remove_server_help">
        <source>Remove the selected server</source>
        <translation>Ausgewählten Server entfernen</translation>
    </message>
    <message id="servers.row_disabled">
        <source>disabled</source>
        <translation>deaktiviert</translation>
    </message>
    <message id="servers.delete">
        <source>Delete</source>
        <translation>Löschen</translation>
    </message>
    <message id="servers.discover_help">
        <source>Find servers on the local network</source>
        <translation>Server im lokalen Netzwerk suchen</translation>
    </message>
    <message id="servers.empty_title">
        <source>Select a server or add a new one</source>
        <translation>Wählen Sie einen Server aus oder fügen Sie einen hinzu</translation>
    </message>
    <message id="server.new_name">
        <source>New Server</source>
        <translation>Neuer Server</translation>
    </message>
    <message id="server.no_host">
        <source>No host</source>
        <translation>Kein Host</translation>
    </message>
    <message id="server.section.info">
        <source>Server</source>
        <translation>Server</translation>
    </message>
    <message id="server.display_name">
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message id="server.host">
        <source>Host</source>
        <translation>Host</translation>
    </message>
    <message id="server.enabled">
        <source>Mount automatically</source>
        <translation>Automatisch verbinden</translation>
    </message>
    <message id="server.shares_header">
        <source>Shares</source>
        <translation>Freigaben</translation>
    </message>
    <message id="server.shares.enter_host_first">
        <source>Enter a host to list its shares.</source>
        <translation>Geben Sie einen Host ein, um seine Freigaben aufzulisten.</translation>
    </message>
    <message id="add_server.load_shares">
        <source>Load the shares of this host</source>
        <translation>Freigaben dieses Hosts laden</translation>
    </message>
    <message id="add_server.no_shares_found">
        <source>No shares found.</source>
        <translation>Keine Freigaben gefunden.</translation>
    </message>
    <message id="add_server.shares_hint">
        <source>Press Return or click the round arrow to list the shares of this host.</source>
        <translation>Drücken Sie die Eingabetaste oder klicken Sie auf den Kreispfeil, um die Freigaben dieses Hosts aufzulisten.</translation>
    </message>
    <message id="discovery.title">
        <source>Servers on the Network</source>
        <translation>Server im Netzwerk</translation>
    </message>
    <message id="discovery.searching">
        <source>Searching…</source>
        <translation>Suche läuft…</translation>
    </message>
    <message id="discovery.none_found">
        <source>No servers found</source>
        <translation>Keine Server gefunden</translation>
    </message>
    <message id="discovery.loading_shares">
        <source>Loading shares…</source>
        <translation>Freigaben werden geladen…</translation>
    </message>
    <message id="discovery.no_shares">
        <source>No shares</source>
        <translation>Keine Freigaben</translation>
    </message>
    <message id="discovery.add">
        <source>Add</source>
        <translation>Hinzufügen</translation>
    </message>
    <message id="discovery.rescan">
        <source>Rescan</source>
        <translation>Erneut suchen</translation>
    </message>
    <message id="discovery.done">
        <source>Done</source>
        <translation>Fertig</translation>
    </message>
    <message id="a11y.share_mounted">
        <source>%1, mounted</source>
        <translation>%1, eingebunden</translation>
    </message>
    <message id="a11y.share_busy">
        <source>%1, busy</source>
        <translation>%1, in Arbeit</translation>
    </message>
    <message id="a11y.share_not_mounted">
        <source>%1, not mounted</source>
        <translation>%1, nicht eingebunden</translation>
    </message>
    <message id="tray.summary">
        <source>%1 of %2 shares mounted</source>
        <translation>%1 von %2 Freigaben eingebunden</translation>
    </message>
    <message id="tray.none_title">
        <source>Tarnwick has no tray icon</source>
        <translation>Tarnwick hat kein Symbol in der Leiste</translation>
    </message>
    <message id="tray.none_body">
        <source>No system tray was found. Shares are still kept mounted; start Tarnwick again to open its settings. On GNOME, install the AppIndicator extension.</source>
        <translation>Es wurde kein Systemabschnitt der Leiste gefunden. Die Freigaben bleiben eingebunden; starten Sie Tarnwick erneut, um die Einstellungen zu öffnen. Unter GNOME installieren Sie die AppIndicator-Erweiterung.</translation>
    </message>
    <message id="status.unreachable">
        <source>Server not reachable</source>
        <translation>Server nicht erreichbar</translation>
    </message>
    <message id="status.login_refused">
        <source>Login refused — store the new password</source>
        <translation>Anmeldung abgelehnt – neues Passwort speichern</translation>
    </message>
    <message id="status.no_such_share">
        <source>No such share on the server</source>
        <translation>Diese Freigabe gibt es auf dem Server nicht</translation>
    </message>
    <message id="status.timed_out">
        <source>Timed out</source>
        <translation>Zeitüberschreitung</translation>
    </message>
    <message id="status.mount_failed">
        <source>Mount failed (%1)</source>
        <translation>Einbinden fehlgeschlagen (%1)</translation>
    </message>
    <message id="status.smb1_only">
        <source>Server speaks only SMB1 — turn on SMB2 or later there</source>
        <translation>Server spricht nur SMB1 – dort SMB2 oder neuer einschalten</translation>
    </message>
    <message id="status.connection_refused">
        <source>Server refused the connection — check the port and its file sharing</source>
        <translation>Server hat die Verbindung abgelehnt – Port und Dateifreigabe dort prüfen</translation>
    </message>
    <message id="status.host_not_found">
        <source>Server name not found — check the address</source>
        <translation>Servername nicht gefunden – Adresse prüfen</translation>
    </message>
    <message id="status.access_denied">
        <source>This login may not open the share — ask for access</source>
        <translation>Diese Anmeldung darf die Freigabe nicht öffnen – Zugriff erfragen</translation>
    </message>
    <message id="status.keyring_locked">
        <source>Keyring locked</source>
        <translation>Schlüsselbund gesperrt</translation>
    </message>
    <message id="status.ticket_expired">
        <source>Domain ticket expired — log in again</source>
        <translation>Domänen-Ticket abgelaufen – erneut anmelden</translation>
    </message>
    <message id="status.detail">
        <source>%1 · last try %2</source>
        <translation>%1 · letzter Versuch %2</translation>
    </message>
    <message id="menu.share_detail">
        <source>%1 — %2</source>
        <translation>%1 – %2</translation>
    </message>
    <message id="tray.failing">
        <source>Not mounted: %1</source>
        <translation>Nicht eingebunden: %1</translation>
    </message>
    <message id="notify.lost_title">
        <source>“%1” is no longer mounted</source>
        <translation>„%1“ ist nicht mehr eingebunden</translation>
    </message>
    <message id="notify.lost_body">
        <source>Its server stopped answering. Tarnwick mounts the share again when the server is back.</source>
        <translation>Der Server antwortet nicht mehr. Tarnwick bindet die Freigabe wieder ein, sobald er zurück ist.</translation>
    </message>
    <message id="notify.login_title">
        <source>Login for “%1” refused</source>
        <translation>Anmeldung für „%1“ abgelehnt</translation>
    </message>
    <message id="notify.login_body">
        <source>The server refused the stored login. Store the new password in the settings.</source>
        <translation>Der Server hat die gespeicherte Anmeldung abgelehnt. Speichern Sie das neue Passwort in den Einstellungen.</translation>
    </message>
    <message id="notify.open_settings">
        <source>Open settings</source>
        <translation>Einstellungen öffnen</translation>
    </message>
    <message id="general.notifications">
        <source>Notify when a share is lost or a login is refused</source>
        <translation>Benachrichtigen, wenn eine Freigabe verloren geht oder eine Anmeldung abgelehnt wird</translation>
    </message>
    <message id="general.shares_folder">
        <source>Links to mounted shares in</source>
        <translation>Links zu eingehängten Freigaben in</translation>
    </message>
    <message id="general.shares_folder_off">
        <source>Off</source>
        <translation>Aus</translation>
    </message>
    <message id="general.shares_folder_help">
        <source>A folder with a link to each mounted share, under the same name every time. Leave empty for none.</source>
        <translation>Ein Ordner mit einem Link zu jeder eingehängten Freigabe, jedes Mal unter demselben Namen. Leer lassen für keinen.</translation>
    </message>
    <message id="share.open">
        <source>Open in file manager</source>
        <translation>Im Dateimanager öffnen</translation>
    </message>
    <message id="a11y.open_share">
        <source>Open %1 in the file manager</source>
        <translation>%1 im Dateimanager öffnen</translation>
    </message>
    <message id="menu.open_share">
        <source>Open “%1” in File Manager</source>
        <translation>„%1“ im Dateimanager öffnen</translation>
    </message>
    <message id="server.shares.add_by_name">
        <source>Add a share by name</source>
        <translation>Freigabe mit Namen hinzufügen</translation>
    </message>
    <message id="server.shares.add">
        <source>Add</source>
        <translation>Hinzufügen</translation>
    </message>
    <message id="server.shares.login_refused">
        <source>The server refused the login and listed no shares. Store its password in the keyring, or add a share by name.</source>
        <translation>Der Server hat die Anmeldung abgelehnt und keine Freigaben genannt. Legen Sie das Passwort im Schlüsselbund ab oder fügen Sie eine Freigabe mit Namen hinzu.</translation>
    </message>
    <message id="server.shares.unreachable">
        <source>The server could not be reached. Check the host, or add a share by name.</source>
        <translation>Der Server ist nicht erreichbar. Prüfen Sie den Host oder fügen Sie eine Freigabe mit Namen hinzu.</translation>
    </message>
    <message id="status.not_here">
        <source>Not on this network</source>
        <translation>Nicht in diesem Netzwerk</translation>
    </message>
    <message id="status.waking">
        <source>Waking the server…</source>
        <translation>Server wird geweckt …</translation>
    </message>
    <message id="tray.waking_one">
        <source>Waking 1 server…</source>
        <translation>1 Server wird geweckt …</translation>
    </message>
    <message id="tray.waking">
        <source>Waking %1 servers…</source>
        <translation>%1 Server werden geweckt …</translation>
    </message>
    <message id="tray.away_one">
        <source>1 server not on this network</source>
        <translation>1 Server nicht in diesem Netzwerk</translation>
    </message>
    <message id="tray.away">
        <source>%1 servers not on this network</source>
        <translation>%1 Server nicht in diesem Netzwerk</translation>
    </message>
    <message id="tray.summary_away">
        <source>%1 · %2</source>
        <translation>%1 · %2</translation>
    </message>
    <message id="server.section.wake">
        <source>Wake-on-LAN</source>
        <translation>Wake-on-LAN</translation>
    </message>
    <message id="server.wake.placeholder">
        <source>MAC address, e.g. AA:BB:CC:DD:EE:FF</source>
        <translation>MAC-Adresse, z. B. AA:BB:CC:DD:EE:FF</translation>
    </message>
    <message id="server.wake.hint">
        <source>Sent when the server does not answer on a network where it lives.</source>
        <translation>Wird gesendet, wenn der Server in einem seiner Netzwerke nicht antwortet.</translation>
    </message>
    <message id="server.wake.invalid">
        <source>Not a MAC address: six pairs of hex digits, e.g. AA:BB:CC:DD:EE:FF</source>
        <translation>Keine MAC-Adresse: sechs Paare Hexadezimalziffern, z. B. AA:BB:CC:DD:EE:FF</translation>
    </message>
    <message id="server.wake.use_seen">
        <source>Use %1</source>
        <translation>%1 verwenden</translation>
    </message>
    <message id="server.section.networks">
        <source>Networks</source>
        <translation>Netzwerke</translation>
    </message>
    <message id="server.networks.connect_on">
        <source>Connect on:</source>
        <translation>Verbinden in:</translation>
    </message>
    <message id="server.networks.any">
        <source>Any network</source>
        <translation>Jedem Netzwerk</translation>
    </message>
    <message id="server.networks.only">
        <source>Only on these networks</source>
        <translation>Nur diesen Netzwerken</translation>
    </message>
    <message id="server.networks.add_by_name">
        <source>Add a network by name, SSID or UUID</source>
        <translation>Netzwerk nach Name, SSID oder UUID hinzufügen</translation>
    </message>
    <message id="menu.sign_in">
        <source>Sign in to “%1”…</source>
        <translation>Bei „%1“ anmelden …</translation>
    </message>
    <message id="a11y.sign_in">
        <source>Sign in to %1</source>
        <translation>Bei %1 anmelden</translation>
    </message>
    <message id="notify.sign_in">
        <source>Sign in…</source>
        <translation>Anmelden …</translation>
    </message>
    <message id="signin.title">
        <source>Sign in to %1</source>
        <translation>Bei %1 anmelden</translation>
    </message>
    <message id="signin.intro.listing">
        <source>Enter your login for %1 to list its shares.</source>
        <translation>Geben Sie Ihre Anmeldung für %1 ein, um seine Freigaben aufzulisten.</translation>
    </message>
    <message id="signin.intro">
        <source>Enter your login for the share “%1” on %2.</source>
        <translation>Geben Sie Ihre Anmeldung für die Freigabe „%1“ auf %2 ein.</translation>
    </message>
    <message id="signin.user">
        <source>User:</source>
        <translation>Benutzer:</translation>
    </message>
    <message id="signin.user.a11y">
        <source>User name</source>
        <translation>Benutzername</translation>
    </message>
    <message id="signin.domain">
        <source>Domain:</source>
        <translation>Domäne:</translation>
    </message>
    <message id="signin.domain.a11y">
        <source>Domain (optional)</source>
        <translation>Domäne (optional)</translation>
    </message>
    <message id="signin.domain.placeholder">
        <source>Optional</source>
        <translation>Optional</translation>
    </message>
    <message id="signin.password">
        <source>Password:</source>
        <translation>Passwort:</translation>
    </message>
    <message id="signin.password.a11y">
        <source>Password</source>
        <translation>Passwort</translation>
    </message>
    <message id="signin.remember">
        <source>Remember in the keyring</source>
        <translation>Im Schlüsselbund speichern</translation>
    </message>
    <message id="signin.dolphin_note">
        <source>KDE’s Dolphin keeps its own passwords and does not see this one.</source>
        <translation>Dolphin (KDE) verwaltet eigene Passwörter und sieht dieses nicht.</translation>
    </message>
    <message id="signin.status.a11y">
        <source>Sign-in status</source>
        <translation>Anmeldestatus</translation>
    </message>
    <message id="signin.button">
        <source>Sign In</source>
        <translation>Anmelden</translation>
    </message>
    <message id="signin.missing">
        <source>Enter a user name and a password.</source>
        <translation>Geben Sie einen Benutzernamen und ein Passwort ein.</translation>
    </message>
    <message id="signin.busy">
        <source>Signing in…</source>
        <translation>Anmeldung läuft …</translation>
    </message>
    <message id="signin.not_stored">
        <source>Signed in, but the keyring did not keep the login.</source>
        <translation>Angemeldet, aber der Schlüsselbund hat die Anmeldung nicht gespeichert.</translation>
    </message>
    <message id="signin.refused">
        <source>The server refused this login. Check the user name and password.</source>
        <translation>Der Server hat diese Anmeldung abgelehnt. Prüfen Sie Benutzername und Passwort.</translation>
    </message>
    <message id="signin.failed">
        <source>The share could not be mounted. Try again later.</source>
        <translation>Die Freigabe konnte nicht verbunden werden. Versuchen Sie es später erneut.</translation>
    </message>
    <message id="server.section.login">
        <source>Login</source>
        <translation>Anmeldung</translation>
    </message>
    <message id="server.login.none">
        <source>No login stored — guests only</source>
        <translation>Keine Anmeldung gespeichert – nur als Gast</translation>
    </message>
    <message id="server.login.stored">
        <source>Login: %1 (in the keyring)</source>
        <translation>Anmeldung: %1 (im Schlüsselbund)</translation>
    </message>
    <message id="server.login.sign_in">
        <source>Sign In…</source>
        <translation>Anmelden …</translation>
    </message>
    <message id="server.login.change">
        <source>Change…</source>
        <translation>Ändern …</translation>
    </message>
    <message id="server.login.forget">
        <source>Forget</source>
        <translation>Vergessen</translation>
    </message>
    <message id="server.login.forget_title">
        <source>Forget Login</source>
        <translation>Anmeldung vergessen</translation>
    </message>
    <message id="server.login.forget_question">
        <source>Remove the login of %1 for %2 from the keyring? File managers will no longer find it either.</source>
        <translation>Die Anmeldung von %1 für %2 aus dem Schlüsselbund entfernen? Auch Dateimanager finden sie dann nicht mehr.</translation>
    </message>
</context>
</TS>
