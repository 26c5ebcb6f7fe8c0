<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="en_US">
<context>
    <name></name>
    <message id="menu.no_servers">
        <source>No servers configured</source>
        <translation>No servers configured</translation>
    </message>
    <message id="menu.mount_all">
        <source>Mount All</source>
        <translation>Mount All</translation>
    </message>
    <message id="menu.unlock_keyring">
        <source>Unlock Keyring…</source>
        <translation>Unlock Keyring…</translation>
    </message>
    <message id="menu.unmount_all">
        <source>Unmount All</source>
        <translation>Unmount All</translation>
    </message>
    <message id="menu.settings">
        <source>Settings…</source>
        <translation>Settings…</translation>
    </message>
    <message id="menu.quit">
        <source>Quit Tarnwick</source>
        <translation>Quit Tarnwick</translation>
    </message>
    <message id="settings.window_title">
        <source>Tarnwick Settings</source>
        <translation>Tarnwick Settings</translation>
    </message>
    <message id="tab.servers">
        <source>Servers</source>
        <translation>Servers</translation>
    </message>
    <message id="tab.general">
        <source>General</source>
        <translation>General</translation>
    </message>
    <message id="general.section.startup">
        <source>Startup</source>
        <translation>Startup</translation>
    </message>
    <message id="general.launch_at_login">
        <source>Launch at login</source>
        <translation>Launch at login</translation>
    </message>
    <message id="general.section.automount">
        <source>Automatic Mounting</source>
        <translation>Automatic Mounting</translation>
    </message>
    <message id="general.automount_footer">
        <source>Tarnwick checks your servers at this interval and mounts every share that is missing.</source>
        <translation>Tarnwick checks your servers at this interval and mounts every share that is missing.</translation>
    </message>
    <message id="general.interval_label">
        <source>Check every</source>
        <translation>Check every</translation>
    </message>
    <message id="general.interval_value">
        <source>%lld s</source>
        <translation>%lld s</translation>
    </message>
    <message id="general.interval_help">
        <source>How often Tarnwick checks the servers and mounts missing shares</source>
        <translation>How often Tarnwick checks the servers and mounts missing shares</translation>
    </message>
    <message id="general.section.behavior">
        <source>Behaviour</source>
        <translation>Behaviour</translation>
    </message>
    <message id="general.keep_mounted_on_quit">
        <source>Keep shares mounted when quitting</source>
        <translation>Keep shares mounted when quitting</translation>
    </message>
    <message id="general.keep_mounted_on_quit_footer">
        <source>When this is off, Tarnwick unmounts every SMB share when it quits or the computer shuts down.</source>
        <translation>When this is off, Tarnwick unmounts every SMB share when it quits or the computer shuts down.</translation>
    </message>
    <message id="general.section.about">
        <source>About</source>
        <translation>About</translation>
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
        <translation>Add a server</translation>
    </message>
    <message id="servers.remove_server_help">
        <source>Remove the selected server</source>
        <translation>Remove the selected server</translation>
    </message>
    <message id="servers.row_disabled">
        <source>disabled</source>
        <translation>disabled</translation>
    </message>
    <message id="servers.delete">
        <source>Delete</source>
        <translation>Delete</translation>
    </message>
    <message id="servers.discover_help">
        <source>Find servers on the local network</source>
        <translation>Find servers on the local network</translation>
    </message>
    <message id="servers.empty_title">
        <source>Select a server or add a new one</source>
        <translation>Select a server or add a new one</translation>
    </message>
    <message id="server.new_name">
        <source>New Server</source>
        <translation>New Server</translation>
    </message>
    <message id="server.no_host">
        <source>No host</source>
        <translation>No host</translation>
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
        <translation>Mount automatically</translation>
    </message>
    <message id="server.shares_header">
        <source>Shares</source>
        <translation>Shares</translation>
    </message>
    <message id="server.shares.enter_host_first">
        <source>Enter a host to list its shares.</source>
        <translation>Enter a host to list its shares.</translation>
    </message>
    <message id="add_server.load_shares">
        <source>Load the shares of this host</source>
        <translation>Load the shares of this host</translation>
    </message>
    <message id="add_server.no_shares_found">
        <source>No shares found.</source>
        <translation>No shares found.</translation>
    </message>
    <message id="add_server.shares_hint">
        <source>Press Return or click the round arrow to list the shares of this host.</source>
        <translation>Press Return or click the round arrow to list the shares of this host.</translation>
    </message>
    <message id="discovery.title">
        <source>Servers on the Network</source>
        <translation>Servers on the Network</translation>
    </message>
    <message id="discovery.searching">
        <source>Searching…</source>
        <translation>Searching…</translation>
    </message>
    <message id="discovery.none_found">
        <source>No servers found</source>
        <translation>No servers found</translation>
    </message>
    <message id="discovery.loading_shares">
        <source>Loading shares…</source>
        <translation>Loading shares…</translation>
    </message>
    <message id="discovery.no_shares">
        <source>No shares</source>
        <translation>No shares</translation>
    </message>
    <message id="discovery.add">
        <source>Add</source>
        <translation>Add</translation>
    </message>
    <message id="discovery.rescan">
        <source>Rescan</source>
        <translation>Rescan</translation>
    </message>
    <message id="discovery.done">
        <source>Done</source>
        <translation>Done</translation>
    </message>
    <message id="a11y.share_mounted">
        <source>%1, mounted</source>
        <translation>%1, mounted</translation>
    </message>
    <message id="a11y.share_busy">
        <source>%1, busy</source>
        <translation>%1, busy</translation>
    </message>
    <message id="a11y.share_not_mounted">
        <source>%1, not mounted</source>
        <translation>%1, not mounted</translation>
    </message>
    <message id="tray.summary">
        <source>%1 of %2 shares mounted</source>
        <translation>%1 of %2 shares mounted</translation>
    </message>
    <message id="tray.none_title">
        <source>Tarnwick has no tray icon</source>
        <translation>Tarnwick has no tray icon</translation>
    </message>
    <message id="tray.none_body">
        <source>No system tray was found. Shares are still kept mounted; start Tarnwick again to open its settings. On GNOME, install the AppIndicator extension.</source>
        <translation>No system tray was found. Shares are still kept mounted; start Tarnwick again to open its settings. On GNOME, install the AppIndicator extension.</translation>
    </message>
    <message id="status.unreachable">
        <source>Server not reachable</source>
        <translation>Server not reachable</translation>
    </message>
    <message id="status.login_refused">
        <source>Login refused — store the new password</source>
        <translation>Login refused — store the new password</translation>
    </message>
    <message id="status.no_such_share">
        <source>No such share on the server</source>
        <translation>No such share on the server</translation>
    </message>
    <message id="status.timed_out">
        <source>Timed out</source>
        <translation>Timed out</translation>
    </message>
    <message id="status.mount_failed">
        <source>Mount failed (%1)</source>
        <translation>Mount failed (%1)</translation>
    </message>
    <message id="status.smb1_only">
        <source>Server speaks only SMB1 — turn on SMB2 or later there</source>
        <translation>Server speaks only SMB1 — turn on SMB2 or later there</translation>
    </message>
    <message id="status.connection_refused">
        <source>Server refused the connection — check the port and its file sharing</source>
        <translation>Server refused the connection — check the port and its file sharing</translation>
    </message>
    <message id="status.host_not_found">
        <source>Server name not found — check the address</source>
        <translation>Server name not found — check the address</translation>
    </message>
    <message id="status.access_denied">
        <source>This login may not open the share — ask for access</source>
        <translation>This login may not open the share — ask for access</translation>
    </message>
    <message id="status.keyring_locked">
        <source>Keyring locked</source>
        <translation>Keyring locked</translation>
    </message>
    <message id="status.ticket_expired">
        <source>Domain ticket expired — log in again</source>
        <translation>Domain ticket expired — log in again</translation>
    </message>
    <message id="status.detail">
        <source>%1 · last try %2</source>
        <translation>%1 · last try %2</translation>
    </message>
    <message id="menu.share_detail">
        <source>%1 — %2</source>
        <translation>%1 — %2</translation>
    </message>
    <message id="tray.failing">
        <source>Not mounted: %1</source>
        <translation>Not mounted: %1</translation>
    </message>
    <message id="notify.lost_title">
        <source>“%1” is no longer mounted</source>
        <translation>“%1” is no longer mounted</translation>
    </message>
    <message id="notify.lost_body">
        <source>Its server stopped answering. Tarnwick mounts the share again when the server is back.</source>
        <translation>Its server stopped answering. Tarnwick mounts the share again when the server is back.</translation>
    </message>
    <message id="notify.login_title">
        <source>Login for “%1” refused</source>
        <translation>Login for “%1” refused</translation>
    </message>
    <message id="notify.login_body">
        <source>The server refused the stored login. Store the new password in the settings.</source>
        <translation>The server refused the stored login. Store the new password in the settings.</translation>
    </message>
    <message id="notify.open_settings">
        <source>Open settings</source>
        <translation>Open settings</translation>
    </message>
    <message id="general.notifications">
        <source>Notify when a share is lost or a login is refused</source>
        <translation>Notify when a share is lost or a login is refused</translation>
    </message>
    <message id="general.shares_folder">
        <source>Links to mounted shares in</source>
        <translation>Links to mounted shares in</translation>
    </message>
    <message id="general.shares_folder_off">
        <source>Off</source>
        <translation>Off</translation>
    </message>
    <message id="general.shares_folder_help">
        <source>A folder with a link to each mounted share, under the same name every time. Leave empty for none.</source>
        <translation>A folder with a link to each mounted share, under the same name every time. Leave empty for none.</translation>
    </message>
    <message id="share.open">
        <source>Open in file manager</source>
        <translation>Open in file manager</translation>
    </message>
    <message id="a11y.open_share">
        <source>Open %1 in the file manager</source>
        <translation>Open %1 in the file manager</translation>
    </message>
    <message id="menu.open_share">
        <source>Open “%1” in File Manager</source>
        <translation>Open “%1” in File Manager</translation>
    </message>
    <message id="server.shares.add_by_name">
        <source>Add a share by name</source>
        <translation>Add a share by name</translation>
    </message>
    <message id="server.shares.add">
        <source>Add</source>
        <translation>Add</translation>
    </message>
    <message id="server.shares.login_refused">
        <source>The server refused the login and listed no shares. Store its password in the keyring, or add a share by name.</source>
        <translation>The server refused the login and listed no shares. Store its password in the keyring, or add a share by name.</translation>
    </message>
    <message id="server.shares.unreachable">
        <source>The server could not be reached. Check the host, or add a share by name.</source>
        <translation>The server could not be reached. Check the host, or add a share by name.</translation>
    </message>
    <message id="status.not_here">
        <source>Not on this network</source>
        <translation>Not on this network</translation>
    </message>
    <message id="status.waking">
        <source>Waking the server…</source>
        <translation>Waking the server…</translation>
    </message>
    <message id="tray.waking_one">
        <source>Waking 1 server…</source>
        <translation>Waking 1 server…</translation>
    </message>
    <message id="tray.waking">
        <source>Waking %1 servers…</source>
        <translation>Waking %1 servers…</translation>
    </message>
    <message id="tray.away_one">
        <source>1 server not on this network</source>
        <translation>1 server not on this network</translation>
    </message>
    <message id="tray.away">
        <source>%1 servers not on this network</source>
        <translation>%1 servers not on this network</translation>
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
        <translation>MAC address, e.g. AA:BB:CC:DD:EE:FF</translation>
    </message>
    <message id="server.wake.hint">
        <source>Sent when the server does not answer on a network where it lives.</source>
        <translation>Sent when the server does not answer on a network where it lives.</translation>
    </message>
    <message id="server.wake.invalid">
        <source>Not a MAC address: six pairs of hex digits, e.g. AA:BB:CC:DD:EE:FF</source>
        <translation>Not a MAC address: six pairs of hex digits, e.g. AA:BB:CC:DD:EE:FF</translation>
    </message>
    <message id="server.wake.use_seen">
        <source>Use %1</source>
        <translation>Use %1</translation>
    </message>
    <message id="server.section.networks">
        <source>Networks</source>
        <translation>Networks</translation>
    </message>
    <message id="server.networks.connect_on">
        <source>Connect on:</source>
        <translation>Connect on:</translation>
    </message>
    <message id="server.networks.any">
        <source>Any network</source>
        <translation>Any network</translation>
    </message>
    <message id="server.networks.only">
        <source>Only on these networks</source>
        <translation>Only on these networks</translation>
    </message>
    <message id="server.networks.add_by_name">
        <source>Add a network by name, SSID or UUID</source>
        <translation>Add a network by name, SSID or UUID</translation>
    </message>
    <message id="menu.sign_in">
        <source>Sign in to “%1”…</source>
        <translation>Sign in to “%1”…</translation>
    </message>
    <message id="a11y.sign_in">
        <source>Sign in to %1</source>
        <translation>Sign in to %1</translation>
    </message>
    <message id="notify.sign_in">
        <source>Sign in…</source>
        <translation>Sign in…</translation>
    </message>
    <message id="signin.title">
        <source>Sign in to %1</source>
        <translation>Sign in to %1</translation>
    </message>
    <message id="signin.intro.listing">
        <source>Enter your login for %1 to list its shares.</source>
        <translation>Enter your login for %1 to list its shares.</translation>
    </message>
    <message id="signin.intro">
        <source>Enter your login for the share “%1” on %2.</source>
        <translation>Enter your login for the share “%1” on %2.</translation>
    </message>
    <message id="signin.user">
        <source>User:</source>
        <translation>User:</translation>
    </message>
    <message id="signin.user.a11y">
        <source>User name</source>
        <translation>User name</translation>
    </message>
    <message id="signin.domain">
        <source>Domain:</source>
        <translation>Domain:</translation>
    </message>
    <message id="signin.domain.a11y">
        <source>Domain (optional)</source>
        <translation>Domain (optional)</translation>
    </message>
    <message id="signin.domain.placeholder">
        <source>Optional</source>
        <translation>Optional</translation>
    </message>
    <message id="signin.password">
        <source>Password:</source>
        <translation>Password:</translation>
    </message>
    <message id="signin.password.a11y">
        <source>Password</source>
        <translation>Password</translation>
    </message>
    <message id="signin.remember">
        <source>Remember in the keyring</source>
        <translation>Remember in the keyring</translation>
    </message>
    <message id="signin.dolphin_note">
        <source>KDE’s Dolphin keeps its own passwords and does not see this one.</source>
        <translation>KDE’s Dolphin keeps its own passwords and does not see this one.</translation>
    </message>
    <message id="signin.status.a11y">
        <source>Sign-in status</source>
        <translation>Sign-in status</translation>
    </message>
    <message id="signin.button">
        <source>Sign In</source>
        <translation>Sign In</translation>
    </message>
    <message id="signin.missing">
        <source>Enter a user name and a password.</source>
        <translation>Enter a user name and a password.</translation>
    </message>
    <message id="signin.busy">
        <source>Signing in…</source>
        <translation>Signing in…</translation>
    </message>
    <message id="signin.not_stored">
        <source>Signed in, but the keyring did not keep the login.</source>
        <translation>Signed in, but the keyring did not keep the login.</translation>
    </message>
    <message id="signin.refused">
        <source>The server refused this login. Check the user name and password.</source>
        <translation>The server refused this login. Check the user name and password.</translation>
    </message>
    <message id="signin.failed">
        <source>The share could not be mounted. Try again later.</source>
        <translation>The share could not be mounted. Try again later.</translation>
    </message>
    <message id="server.section.login">
        <source>Login</source>
        <translation>Login</translation>
    </message>
    <message id="server.login.none">
        <source>No login stored — guests only</source>
        <translation>No login stored — guests only</translation>
    </message>
    <message id="server.login.stored">
        <source>Login: %1 (in the keyring)</source>
        <translation>Login: %1 (in the keyring)</translation>
    </message>
    <message id="server.login.sign_in">
        <source>Sign In…</source>
        <translation>Sign In…</translation>
    </message>
    <message id="server.login.change">
        <source>Change…</source>
        <translation>Change…</translation>
    </message>
    <message id="server.login.forget">
        <source>Forget</source>
        <translation>Forget</translation>
    </message>
    <message id="server.login.forget_title">
        <source>Forget Login</source>
        <translation>Forget Login</translation>
    </message>
    <message id="server.login.forget_question">
        <source>Remove the login of %1 for %2 from the keyring? File managers will no longer find it either.</source>
        <translation>Remove the login of %1 for %2 from the keyring? File managers will no longer find it either.</translation>
    </message>
</context>
</TS>
