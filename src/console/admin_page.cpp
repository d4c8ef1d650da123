#include "console/admin_server.h"

namespace nb {

// Plain HTML, CSS and script, no build step. Every value from the services is put in with
// textContent, never as mark-up.
const std::string& AdminPage() {
    static const std::string kPage = R"html(<!DOCTYPE html>
<html lang="en"><head><meta charset="utf-8"><title>Nimbral II - Admin console</title>
<style>
body{font:14px sans-serif;margin:0;background:#f4f4f4;color:#222}
header{background:#223;color:#fff;padding:8px 16px;display:flex;gap:16px;align-items:center}
nav button{background:none;border:0;color:#ccd;padding:6px 8px;cursor:pointer}nav button.on{color:#fff;border-bottom:2px solid #fff}
main{padding:16px}section{display:none;background:#fff;padding:16px;border-radius:4px}section.on{display:block}
pre,.log{background:#111;color:#ddd;padding:8px;height:220px;overflow:auto;white-space:pre-wrap;font:12px monospace}
label{display:inline-block;width:130px}input{margin:2px 4px}.red{color:#c00}.blue{color:#00c}#updateResult{white-space:pre-line}
#dialog{position:fixed;inset:0;background:#0006;display:none;align-items:center;justify-content:center}
#dialog div{background:#fff;padding:16px;min-width:320px;border-radius:4px}#dialog h3{margin-top:0}
li button{margin-left:8px}
</style></head><body>
<div id="login"><main><h2>Nimbral II - Admin console</h2>
<form id="loginForm"><input type="password" id="password" placeholder="Admin password" autofocus>
<button>Log in</button> <span id="loginError" class="red"></span></form></main></div>
<div id="console" hidden>
<header><b>Nimbral II <span id="version"></span></b><nav id="nav"></nav><span id="caption"></span></header>
<main>
<section data-panel="Network"><h3>The network now</h3><ul id="network"></ul></section>
<section data-panel="Settings"><h3>Server settings</h3><form id="settingsForm"></form><button id="saveSettings">Save</button>
<button id="connect">Connect</button> <span id="linkState"></span>
<h3>Link configuration</h3><button id="generate">Generate</button> <button id="generateNgircd">Generate ngIRCd block</button>
<button id="copy">Copy</button><br><textarea id="linkLines" rows="10" cols="70" readonly></textarea></section>
<section data-panel="Operators"><h3>Operator access</h3><ol id="operators"></ol><button id="addOperator">Add operator</button>
<p><label>OS Info level</label><input id="osInfo" size="5"><button id="setOsInfo">Set</button></p>
<h3>Command levels</h3><ol id="levels"></ol><label>Command number</label><input id="levelNumber" size="4">
<label>Level</label><input id="levelValue" size="4"><button id="setLevel">Change</button></section>
<section data-panel="Registered"><h3>Registered nicks and channels</h3><select id="kind"><option value="nicks">Nicks</option>
<option value="channels">Channels</option></select><input id="search" placeholder="* (a wildcard mask)"><button id="find">Search</button>
<table id="rows"></table>
<p><input id="editName" placeholder="nick or #channel" readonly><input id="editKind" type="hidden">
<select id="editField"><option>email</option><option>url</option><option>realname</option><option>age</option>
<option>description</option><option>greet</option></select><input id="editValue" size="40"><button id="save">Save</button></p></section>
<section data-panel="Restrictions"><h3>Nicks that may not be registered</h3><ol id="restrictedNicks"></ol>
<input id="restrictNick" placeholder="pattern"><button id="addRestrictNick">Add</button>
<h3>Channels that may not be registered</h3><ol id="restrictedChannels"></ol>
<input id="restrictChannel" placeholder="pattern"><button id="addRestrictChannel">Add</button></section>
<section data-panel="Memos"><h3>A memo from Administrator</h3><textarea id="memo" rows="3" cols="70"></textarea><br>
<button id="memoAll">Send to every registered nick</button><button id="memoOperators">Send to every operator</button></section>
<section data-panel="Jupes and ignores"><h3>Jupes</h3><ol id="jupes"></ol><input id="jupe" placeholder="server.name"><button id="addJupe">Jupe</button>
<h3>Ignores</h3><ol id="ignores"></ol><input id="ignore" placeholder="nick!ident@host"><button id="addIgnore">Ignore</button></section>
<section data-panel="Bot"><h3>Bot</h3><input id="botFile" placeholder="example.nb2"><button id="loadBot">Load bot</button>
<div class="log" data-box="botinfo"></div></section>
<section data-panel="Web server"><h3>Statistics web server</h3><p>Status: <b id="webStatus"></b> <button id="webToggle"></button>
<a id="webLink" target="_blank">open the pages</a></p>
<p><button data-page="index">Index page</button><button data-page="users">Users page</button>
<button data-page="chanserv">ChanServ page</button><button data-page="nickserv">NickServ page</button></p>
<div class="log" data-box="web"></div></section>
<section data-panel="Backup"><h3>Backup and restore</h3><p id="lastBackup"></p><button id="backup">Backup</button>
<button id="restore">Restore</button><div class="log" data-box="backup"></div></section>
<section data-panel="Update"><h3>Update check</h3><button id="checkUpdate">Check for an update</button>
<p id="updateResult"></p><p id="download" hidden><button id="downloadButton"></button></p><div class="log" data-box="update"></div></section>
<section data-panel="Logs"><h3>Logs</h3><p>Status</p><div class="log" data-box="status"></div><p>Operators' channel</p>
<div class="log" data-box="oper"></div><p>Network channel</p><div class="log" data-box="net"></div>
<p>Command audit</p><div class="log" data-box="audit"></div><p>Raw traffic (passwords masked)</p><div class="log" data-box="raw"></div></section>
</main></div>
<div id="dialog"><div><h3 id="dialogTitle"></h3><p id="dialogText"></p><input id="dialogInput" hidden>
<p id="dialogButtons"></p></div></div>
<script>
"use strict";
const $ = (id) => document.getElementById(id);
const keys = ["IP/Host", "Port", "Password", "Server Name", "Protocol", "Your Email"];
let since = 0, shownDialog = 0, timer = null;
async function call(path, body) {
  const response = await fetch(path, body === undefined ? {} :
    {method: "POST", headers: {"Content-Type": "application/json"}, body: JSON.stringify(body)});
  if (response.status === 401 && path !== "/api/login") { showLogin(); throw new Error("logged out"); }
  return response.json();
}
const op = (name, arg, extra) => call("/api/op", Object.assign({op: name, arg: arg === undefined ? "" : String(arg)}, extra || {}));
function showLogin() { clearInterval(timer); $("console").hidden = true; $("login").hidden = false; }
$("loginForm").onsubmit = async (event) => {
  event.preventDefault();
  $("loginError").textContent = "Checking...";
  const answer = await call("/api/login", {password: $("password").value});
  if (answer.error) { $("loginError").textContent = answer.error; return; }
  $("loginError").textContent = ""; $("login").hidden = true; $("console").hidden = false;
  refresh(); timer = setInterval(refresh, 1000);
};
document.querySelectorAll("section").forEach((section, index) => {
  const button = document.createElement("button");
  button.textContent = section.dataset.panel;
  button.onclick = () => {
    document.querySelectorAll("section, nav button").forEach((e) => e.classList.remove("on"));
    section.classList.add("on"); button.classList.add("on");
  };
  $("nav").appendChild(button);
  if (index === 0) button.click();
});
for (const key of keys) {
  const label = document.createElement("label"); label.textContent = key;
  const input = document.createElement("input"); input.name = key; input.type = key === "Password" ? "password" : "text";
  $("settingsForm").append(label, input, document.createElement("br"));
}
$("settingsForm").onsubmit = (event) => event.preventDefault();
let settingsShown = false;
function fillList(id, entries, remove) {
  const list = $(id); list.replaceChildren();
  entries.forEach((entry, index) => {
    const item = document.createElement("li"); item.textContent = entry;
    const button = document.createElement("button"); button.textContent = "Delete";
    button.onclick = () => op(remove, index + 1);
    item.appendChild(button); list.appendChild(item);
  });
}
function showDialog(dialogs) {
  const dialog = dialogs[0];
  if (!dialog) { $("dialog").style.display = "none"; shownDialog = 0; return; }
  if (dialog.id === shownDialog) return;
  shownDialog = dialog.id; $("dialog").dataset.id = dialog.id;
  $("dialogTitle").textContent = dialog.title; $("dialogText").textContent = dialog.text;
  $("dialogInput").hidden = dialog.kind !== "input"; $("dialogInput").value = dialog.default;
  const buttons = dialog.kind === "yesno" ? [["Yes", "yes"], ["No", "no"]]
                : dialog.kind === "input" ? [["OK", null], ["Cancel", undefined]] : [["OK", "ok"]];
  $("dialogButtons").replaceChildren(...buttons.map(([text, value]) => {
    const button = document.createElement("button"); button.textContent = text;
    button.onclick = async () => {
      const given = value === null ? $("dialogInput").value : value;
      await call("/api/answer", given === undefined ? {id: dialog.id} : {id: dialog.id, value: given});
      refresh();
    };
    return button;
  }));
  $("dialog").style.display = "flex";
  if (dialog.kind === "input") $("dialogInput").focus();
}
async function refresh() {
  const state = await call("/api/state?since=" + since);
  $("version").textContent = state.version; $("caption").textContent = state.lastBackup; $("lastBackup").textContent = state.lastBackup;
  const n = state.network;
  const last = [...document.querySelectorAll('[data-box="status"]')].map((e) => e.textContent.trim().split("\n").pop())[0];
  $("linkState").textContent = (n.linked ? "Linked. " : "Not linked. ") + (last || "");
  $("network").replaceChildren(...[
    "Link: " + (n.linked ? "up for " + n.uptime + " s" : "down"), "Users online: " + n.users, "Channels: " + n.channels,
    "Max users: " + n.maxUsers + " (" + n.maxUsersDate + ")", "Registered nicks: " + n.nicks,
    "Registered channels: " + n.registeredChannels].map((text) => { const li = document.createElement("li"); li.textContent = text; return li; }));
  if (!settingsShown) { for (const key of keys) $("settingsForm").elements[key].value = state.settings[key]; settingsShown = true; }
  fillList("operators", state.operators, "oper-del"); fillList("jupes", state.jupes, "jupe-del"); fillList("ignores", state.ignores, "ignore-del");
  fillList("restrictedNicks", state.restrictedNicks, "unrestrict-nick");
  fillList("restrictedChannels", state.restrictedChannels, "unrestrict-channel");
  $("levels").replaceChildren(...state.levels.map((text) => { const li = document.createElement("li"); li.textContent = text; return li; }));
  $("webStatus").textContent = state.webServer ? "UP" : "DOWN";
  $("webToggle").textContent = state.webServer ? "Stop Webserver" : "Start Webserver";
  $("webLink").href = "http://" + location.hostname + ":" + state.webPort + "/";
  if (state.update) {
    $("updateResult").textContent = state.update.text; $("updateResult").className = state.update.offered ? "red" : "blue";
    $("download").hidden = !state.update.offered; $("downloadButton").textContent = state.update.download;
  }
  for (const line of state.log) {
    since = line.n;
    document.querySelectorAll('[data-box="' + line.box + '"]').forEach((box) => {
      if (line.clears) { box.textContent = ""; return; }
      box.textContent += line.text + "\n"; box.scrollTop = box.scrollHeight;
    });
  }
  showDialog(state.dialogs);
}
const saveSettings = () => {
  const values = {}; for (const key of keys) values[key] = $("settingsForm").elements[key].value;
  return op("settings", "", {values});
};
$("saveSettings").onclick = () => saveSettings().then(refresh);
// Saved first: the link is made with what the form shows; its progress is in the status log.
$("connect").onclick = () => saveSettings().then(() => op("connect")).then(refresh);
// Kept as generated, CR LF and all: a text area's value would give LF alone.
let linkText = "";
const appendLinkLines = async (kind) => { linkText += (await op("linkconf", kind)).output; $("linkLines").value = linkText; };
$("generate").onclick = () => appendLinkLines("");
$("generateNgircd").onclick = () => appendLinkLines("ngircd");
$("copy").onclick = () => navigator.clipboard.writeText(linkText);
$("addOperator").onclick = () => op("oper-add").then(refresh);
$("setLevel").onclick = () => op("level", $("levelValue").value, {number: $("levelNumber").value}).then(refresh);
$("addRestrictNick").onclick = () => op("restrict-nick", $("restrictNick").value).then(refresh);
$("addRestrictChannel").onclick = () => op("restrict-channel", $("restrictChannel").value).then(refresh);
$("memoAll").onclick = () => op("memo-all", $("memo").value).then(refresh);
$("memoOperators").onclick = () => op("memo-operators", $("memo").value).then(refresh);
async function find() {
  const kind = $("kind").value;
  const found = await call("/api/registered", {kind, search: $("search").value});
  const columns = kind === "channels" ? ["name", "founder", "email", "description", "greet", "registered"]
                                      : ["name", "email", "realName", "lastSeen", "lastQuit", "registered"];
  const head = document.createElement("tr");
  head.replaceChildren(...columns.map((c) => { const th = document.createElement("th"); th.textContent = c; return th; }));
  $("rows").replaceChildren(head, ...found.rows.map((row) => {
    const tr = document.createElement("tr");
    tr.replaceChildren(...columns.map((c) => { const td = document.createElement("td"); td.textContent = row[c]; return td; }));
    const drop = document.createElement("button"); drop.textContent = "Drop";
    drop.onclick = () => op(kind === "channels" ? "drop-channel" : "drop-nick", row.name).then(refresh).then(find);
    const edit = document.createElement("button"); edit.textContent = "Edit";
    edit.onclick = () => { $("editName").value = row.name; $("editKind").value = kind; };
    tr.append(edit, drop);
    return tr;
  }));
}
$("find").onclick = find;
$("save").onclick = () => op($("editKind").value === "channels" ? "edit-channel" : "edit-nick", $("editName").value,
                             {field: $("editField").value, value: $("editValue").value}).then(refresh).then(find);
$("setOsInfo").onclick = () => op("osinfo", $("osInfo").value).then(refresh);
$("addJupe").onclick = () => op("jupe-add", $("jupe").value).then(refresh);
$("addIgnore").onclick = () => op("ignore-add", $("ignore").value).then(refresh);
$("loadBot").onclick = () => op("bot-load", $("botFile").value).then(refresh);
$("webToggle").onclick = () => op($("webToggle").textContent.startsWith("Stop") ? "webserver-stop" : "webserver-start").then(refresh);
document.querySelectorAll("[data-page]").forEach((button) => { button.onclick = () => op("page", button.dataset.page).then(refresh); });
$("backup").onclick = () => op("backup").then(refresh);
$("restore").onclick = () => op("restore").then(refresh);
$("checkUpdate").onclick = () => op("update").then(refresh);
</script></body></html>
)html";
    return kPage;
}

}  // namespace nb
