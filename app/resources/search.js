// Letter index and search of the two search pages.  A page sets listFolder
// (where the lists lie), homeTarget, letterTarget and moduleTarget, loads
// first.js and this file, and calls ShowSearch() where the listing goes.
//
// The query picks what is listed:
//   no "=" in it: a letter ("?B") lists the commands whose names start with
//     that upper-case letter; an empty query lists every command;
//   otherwise the value of the first parameter ("?textfield=TEXT&Submit=Search")
//     is searched for, ignoring case: TEXT* finds the names starting with TEXT,
//     *TEXT those ending with it, and plain TEXT those containing it (read as a
//     regular expression when it holds one, else as plain text).  Exact names
//     come first, then names starting with the text, then the rest, each
//     group in list order.
//
// Typing in the field searches at once and puts the same query in the
// address bar, so a result can be bookmarked and reloaded as before.
//
// Kits under fullLimit commands show every listing in full (find-in-page
// sees all of it).  Larger kits show the first rows and add more as the end
// of the list comes near; the count above always gives the whole number.

var fullLimit = 10000;
var firstRows = 120;
var moreRows = 500;

// ---- Loading the lists -----------------------------------------------------

// first.js holds the number of commands and the first rows of the listing.
// A small kit, or an index without first.js, loads command.js, links.js and
// modules.js before the page is drawn, as the page always did.  A large kit
// draws its first screen from first.js and then loads its rows files one
// after another (LoadLater, below): each holds the names, links and modules
// of rowsPerFile commands as three texts, which the browser parses and keeps
// at far less cost than a million separate strings.
var largeKit = typeof firstCommands != "undefined" && firstCommands.rowFiles > 0;
// Each build writes its lists into a folder of its own, which first.js names.
var listFiles = listFolder + (typeof firstCommands != "undefined" && firstCommands.folder || "");
var pendingLists = largeKit ? firstCommands.rowFiles : 0;
var total = largeKit ? firstCommands.total : 0;

if (!largeKit) {
	document.write("<script type='text/javascript' src='" + listFiles + "command.js'><\/script>" +
		"<script type='text/javascript' src='" + listFiles + "links.js'><\/script>" +
		"<script type='text/javascript' src='" + listFiles + "modules.js'><\/script>");
}

// The rows, in parts of partSize commands.  Each of a part's texts is
// "\nV0\nV1\n...\n" with its value j from xAt[j] up to xAt[j + 1] - 1:
// names, the same upper-cased (what searches look through), links, modules.
// The rows files leave out the start all links share, linkStart.
var parts = [];
var partSize = largeKit ? firstCommands.rowsPerFile : 0;
var linkStart = largeKit ? firstCommands.linkStart : "";

function LineStarts(text, count) {
	var at = new Int32Array(count + 1);
	var p = 0;
	for (var j = 0; j < count; j++) {
		at[j] = p + 1;
		p = text.indexOf("\n", p + 1);
		if (p < 0) p = text.length;
	}
	at[count] = p + 1;
	return at;
}

function AddPart(k, names, links, modules) {
	var base = k * partSize;
	var count = Math.max(0, Math.min(partSize, total - base));
	var upper = names.toUpperCase();
	var nameAt = LineStarts(names, count);
	parts[k] = {
		base: base, count: count, names: names, nameAt: nameAt, upper: upper,
		// Upper-casing only ever lengthens a name (a sharp s gives "SS").
		upperAt: upper.length == names.length ? nameAt : LineStarts(upper, count),
		links: links, linkAt: LineStarts(links, count), modules: modules, moduleAt: LineStarts(modules, count)
	};
}

// Called by each rows file.
function LexidorRows(k, names, links, modules) {
	if (largeKit) AddPart(k, names, links, modules);
}

// A small kit's arrays as one part.
function ColumnText(values) {
	var text = new Array(total);
	for (var i = 0; i < total; i++) text[i] = values[i] == null ? "" : String(values[i]);
	return "\n" + text.join("\n") + "\n";
}

function Value(text, at, j) {
	return text.slice(at[j], at[j + 1] - 1);
}

function PartOf(i) {
	return parts[(i / partSize) | 0];
}

function UpperName(i) {
	var part = PartOf(i), j = i - part.base;
	return Value(part.upper, part.upperAt, j);
}

// ---- Queries ---------------------------------------------------------------

var htmlEscapes = { "&": "&amp;", "<": "&lt;", ">": "&gt;", "\"": "&quot;", "'": "&#39;" };

// Names and links are text: they show exactly as written, whatever they hold.
function EscapeHtml(text) {
	text = (text == null) ? "" : String(text);
	if (!/[&<>"']/.test(text)) return text;
	return text.replace(/[&<>"']/g, function (c) { return htmlEscapes[c]; });
}

// Undoes the form encoding of the query: "+" is a blank, %XX a byte, and the
// bytes are read in the page's own character set (the one the form encodes
// with).  Text with a broken escape, such as a lone "%", is taken as it stands.
function DecodeQuery(text) {
	if (/%(?![0-9A-Fa-f]{2})/.test(text)) return text;
	text = text.replace(/\+/g, " ");
	if (text.indexOf("%") == -1) return text;
	return text.replace(/(%[0-9A-Fa-f]{2})+/g, function (run) {
		var bytes = new Array();
		for (var k = 0; k < run.length; k += 3) bytes[bytes.length] = parseInt(run.substr(k + 1, 2), 16);
		try {
			return new TextDecoder(document.characterSet).decode(new Uint8Array(bytes));
		} catch (e) {
			return String.fromCharCode.apply(null, bytes);
		}
	});
}

// The form's own encoding of a text field value, for the address bar.
function EncodeQuery(text) {
	var out = "";
	for (var k = 0; k < text.length; k++) {
		var ch = text.charAt(k), c = text.charCodeAt(k);
		if (/[A-Za-z0-9*._-]/.test(ch)) out += ch;
		else if (c == 32) out += "+";
		else if (c < 256) out += (c < 16 ? "%0" : "%") + c.toString(16).toUpperCase();
		else out += "%26%23" + c + "%3B";
	}
	return out;
}

// What a query asks for: {search: false, letter} or {search: true, text}.
function ParseQuery(query) {
	var indice = query.charAt(0) == "?" ? query.substring(1) : query;
	var marker1 = indice.indexOf("=");
	var marker2 = indice.indexOf("&");
	if (marker2 == -1) marker2 = indice.length;
	var coman = DecodeQuery(indice.substr(marker1 + 1, Math.max(0, marker2 - marker1 - 1)));
	if (marker1 == -1) return { search: false, letter: coman.replace(/^\s+|\s+$/g, "").toUpperCase() };
	return { search: true, text: coman };
}

// ---- Finding ---------------------------------------------------------------

// Result buffers, made once: a search at a million commands allocates no
// list of its own, so typing does not keep the collector busy.  Only the
// latest search result uses them.
var found = null;

function Buffers() {
	if (found == null || found.list.length < total) found = { exact: new Int32Array(total), prefix: new Int32Array(total), rest: new Int32Array(total), list: new Int32Array(total) };
	return found;
}

// mode 0: the name contains text; 1: it starts with text; 2: it ends with text.
// The result: {n, list (indices in the order shown), text, mode, re}.
function FindCommand(text, mode) {
	var t = text.toUpperCase();
	var re = null;
	if (mode == 0 && /[\\^$.|?*+()\[\]{}]/.test(t)) {
		try {
			re = new RegExp(t);
		} catch (e) {
			re = null;
		}
	}
	if (t == "") return { n: total, list: null, text: t, mode: mode, re: null };
	var b = Buffers(), exact = b.exact, prefix = b.prefix, rest = b.rest;
	var ne = 0, np = 0, nr = 0;
	for (var k = 0; k < parts.length; k++) {
		var part = parts[k], hay = part.upper, starts = part.upperAt, base = part.base;
		var i, p, len;
		if (re != null) {
			for (i = 0; i < part.count; i++) {
				var name = Value(hay, starts, i);
				var m = re.exec(name);
				if (m == null) continue;
				if (m.index > 0) rest[nr++] = base + i;
				else if (m[0].length == name.length) exact[ne++] = base + i;
				else prefix[np++] = base + i;
			}
		} else if (t.indexOf("\n") == -1) {
			// One look through the part's text finds every hit, in list order;
			// each is then traced to the name holding it.
			var needle = mode == 1 ? "\n" + t : mode == 2 ? t + "\n" : t;
			var from = 0;
			i = 0;
			while ((p = hay.indexOf(needle, from)) != -1) {
				var q = mode == 1 ? p + 1 : p;
				while (starts[i + 1] <= q) i++;
				len = starts[i + 1] - 1 - starts[i];
				var at = mode == 1 ? 0 : mode == 2 ? len - t.length : p - starts[i];
				if (at == 0 && len == t.length) exact[ne++] = base + i;
				else if (at == 0) prefix[np++] = base + i;
				else rest[nr++] = base + i;
				from = starts[i + 1] - (mode == 1 ? 1 : 0);
			}
		}
	}
	var list = b.list;
	list.set(exact.subarray(0, ne), 0);
	list.set(prefix.subarray(0, np), ne);
	list.set(rest.subarray(0, nr), ne + np);
	return { n: ne + np + nr, list: list, text: t, mode: mode, re: re };
}

// A search text as typed: a star at the end asks for names starting with the
// rest, a star in front for names ending with it (both: the end counts).
function Search(coman) {
	var mode = 0;
	if (coman.charAt(coman.length - 1) == "*") {
		mode = 1;
		coman = coman.substring(0, coman.length - 1);
	}
	if (coman.charAt(0) == "*") {
		mode = 2;
		coman = coman.substring(1);
	}
	return FindCommand(coman, mode);
}

// A letter's commands, or every command for an empty letter.
function ShowList(letter) {
	if (letter == "") return { n: total, list: null, letter: "" };
	var list = [];
	for (var k = 0; k < parts.length; k++) {
		var part = parts[k];
		for (var j = 0; j < part.count; j++) {
			if (part.names.charAt(part.nameAt[j]) == letter) list[list.length] = part.base + j;
		}
	}
	return { n: list.length, list: list, letter: letter };
}

// ---- Showing ---------------------------------------------------------------

function ShowIndex() {
	var html = "<table width='100%' border='0' cellpadding='0' cellspacing='0' class='navbar'><tr><td>";
	html += "<a href='" + homeTarget + "'>Home</a><br>";
	for (var c = 65; c <= 90; c++) {
		var letter = String.fromCharCode(c);
		html += "<a href='" + letterTarget + letter + "'>" + letter + "</a> &nbsp; ";
	}
	html += "<a href='" + letterTarget + " '>ALL</a>";
	return html + "</td></tr></table>";
}

// The module's page: the command's page without its anchor, reached inside
// this tree when the link runs through its Modules folder.
function ModuleHref(link) {
	var page = link.split("#")[0];
	var k = page.indexOf("/Modules/");
	return k == -1 ? "file:///" + page : moduleTarget + page.substring(k + 9);
}

// Where the search text lies in name i, as [start, end), or null.
function MatchIn(i, name) {
	if (!current.text || pendingLists) return null;
	var upper = UpperName(i);
	if (upper.length != name.length) return null;
	var t = current.text, at;
	if (current.re != null) {
		var m = current.re.exec(upper);
		return m && m[0].length ? [m.index, m.index + m[0].length] : null;
	}
	at = current.mode == 1 ? 0 : current.mode == 2 ? upper.length - t.length : upper.indexOf(t);
	return at < 0 ? null : [at, at + t.length];
}

// Until the full lists arrive, rows come from first.js.
function Row(i) {
	var name, link, module;
	if (pendingLists) {
		name = String(firstCommands.commands[i]);
		link = String(firstCommands.links[i]);
		module = String(firstCommands.modules[i]);
	} else {
		var part = PartOf(i), j = i - part.base;
		name = Value(part.names, part.nameAt, j);
		link = linkStart + Value(part.links, part.linkAt, j);
		module = Value(part.modules, part.moduleAt, j);
	}
	var shown = EscapeHtml(name);
	var match = MatchIn(i, name);
	if (match) {
		shown = EscapeHtml(name.substring(0, match[0])) + "<mark>" +
			EscapeHtml(name.substring(match[0], match[1])) + "</mark>" + EscapeHtml(name.substring(match[1]));
	}
	var html = "<div class='hit'><a class='cmd' href='" + "file:///" + EscapeHtml(link) + "'>" + shown + "</a>";
	if (module != "") html += " <a class='mod' tabindex='-1' href='" + EscapeHtml(ModuleHref(link)) + "'>" + EscapeHtml(module) + "</a>";
	return html + "</div>";
}

var current = { n: 0, list: null };
var shownRows = 0, selected = -1;
var hitsBox, countBox, moreBox, field;

function Plural(n) {
	return n + (n == 1 ? " command" : " commands");
}

function ShowCount() {
	var text = Plural(current.n);
	if (current.letter) text += " starting with " + current.letter;
	if (current.text != null && current.typed != "") text += " found for \u201c" + current.typed + "\u201d";
	if (shownRows < current.n) text += " \u2013 showing the first " + shownRows + " of " + current.n;
	countBox.textContent = text;
	moreBox.style.display = shownRows < current.n ? "" : "none";
}

function ShowMore(count) {
	var end = Math.min(current.n, shownRows + count);
	if (pendingLists) end = Math.min(end, firstCommands.commands.length);
	var html = [];
	for (var k = shownRows; k < end; k++) html[html.length] = Row(current.list ? current.list[k] : k);
	hitsBox.insertAdjacentHTML("beforeend", html.join(""));
	shownRows = end;
	ShowCount();
}

function NoMatch(typed) {
	var bare = typed.replace(/^\*+|\*+$/g, "");
	var html = "<p class='nomatch'>No command matches \u201c" + EscapeHtml(typed) + "\u201d.";
	if (bare != "") {
		html += " Try <a href='" + letterTarget.replace(/\?$/, "") + "?textfield=" + EncodeQuery(bare + "*") +
			"&amp;Submit=Search'>" + EscapeHtml(bare) + "*</a> for names starting with it, <a href='" +
			letterTarget.replace(/\?$/, "") + "?textfield=" + EncodeQuery("*" + bare) + "&amp;Submit=Search'>*" +
			EscapeHtml(bare) + "</a> for names ending with it, or a shorter text.";
	}
	hitsBox.innerHTML = html + "</p>";
}

// Shows a result: the first rows (all of them in a small kit), the count.
function Show(result, typed) {
	current = result;
	current.typed = typed;
	shownRows = 0;
	selected = -1;
	hitsBox.innerHTML = "";
	if (result.n == 0 && result.text != null) NoMatch(typed);
	ShowMore(total < fullLimit ? result.n : firstRows);
}

// While the full lists load, only the whole listing can be shown (from
// first.js); anything else waits for them.
function ShowLoading() {
	current = { n: 0, list: null };
	shownRows = 0;
	selected = -1;
	hitsBox.innerHTML = "";
	countBox.textContent = "Loading " + Plural(total) + "\u2026";
	moreBox.style.display = "none";
}

// ---- Typing, keys and history ----------------------------------------------

var baseQuery = "";
var shownQuery = null;

// Shows what a parsed query asks for; the field shows its text unless
// `keepField` (the user is typing in it).
function Apply(q, keepField) {
	shownQuery = q;
	if (!keepField) field.value = q.search ? q.text : "";
	if (pendingLists && (q.search || q.letter != "")) ShowLoading();
	else if (q.search) Show(Search(q.text), q.text);
	else Show(ShowList(q.letter), "");
}

function OnType() {
	var typed = field.value;
	if (typed == "") {
		Apply(ParseQuery(baseQuery), true);
		history.replaceState(null, "", location.pathname + baseQuery);
		return;
	}
	Apply({ search: true, text: typed }, true);
	history.replaceState(null, "", location.pathname + "?textfield=" + EncodeQuery(typed) + "&Submit=Search");
}

function Select(k) {
	var rows = hitsBox.getElementsByClassName("hit");
	if (k >= rows.length && shownRows < current.n) {
		ShowMore(moreRows);
		rows = hitsBox.getElementsByClassName("hit");
	}
	if (rows.length == 0) return;
	k = Math.max(0, Math.min(k, rows.length - 1));
	if (selected >= 0 && selected < rows.length) {
		rows[selected].className = "hit";
		rows[selected].removeAttribute("aria-selected");
	}
	selected = k;
	rows[k].className = "hit sel";
	rows[k].setAttribute("aria-selected", "true");
	rows[k].scrollIntoView({ block: "nearest" });
}

function OnKey(e) {
	if (e.altKey || e.ctrlKey || e.metaKey) return;
	var target = e.target;
	var typing = target && (target.tagName == "INPUT" || target.tagName == "TEXTAREA" || target.isContentEditable);
	if (e.key == "/" && !typing) {
		e.preventDefault();
		field.focus();
		field.select();
		return;
	}
	var inList = target == field || (target && hitsBox.contains(target));
	if (!inList) return;
	if (e.key == "ArrowDown" || e.key == "ArrowUp") {
		e.preventDefault();
		Select(selected + (e.key == "ArrowDown" ? 1 : -1));
	} else if (e.key == "Enter" && selected >= 0) {
		var row = hitsBox.getElementsByClassName("hit")[selected];
		if (row) {
			e.preventDefault();
			location.href = row.getElementsByTagName("a")[0].href;
		}
	} else if (e.key == "Escape" && target == field) {
		e.preventDefault();
		field.value = "";
		OnType();
	}
}

// More rows while the end of the list is within a screen of coming into view.
function FillNear() {
	if (shownRows >= current.n || moreBox.getBoundingClientRect().top > innerHeight * 2) return;
	ShowMore(moreRows);
	requestAnimationFrame(FillNear);
}

function ListsArrived() {
	for (var k = 0; k < firstCommands.rowFiles; k++) {
		if (!parts[k]) {
			// Only the first rows can be shown; the count says why.
			pendingLists = 1;
			countBox.textContent = "Part of the index is missing (" + listFiles + "rows" + k + ".js): rebuild the index.";
			return;
		}
	}
	var chosen = selected;
	Apply(shownQuery, true);
	if (chosen >= 0) Select(chosen);
	FillNear();
}

// The rows files of a large kit: asked for after the first screen is
// painted (or after a moment, where a hidden tab paints nothing), one after
// another, so that each arrives and runs in tasks of its own.
function LoadLater() {
	if (LoadLater.done) return;
	LoadLater.done = true;
	LoadRows(0);
}

function LoadRows(k) {
	var script = document.createElement("script");
	script.src = listFiles + "rows" + k + ".js";
	script.onload = script.onerror = function () {
		if (--pendingLists == 0) ListsArrived();
		else LoadRows(k + 1);
	};
	document.body.appendChild(script);
}

// The number of commands in the kit.
function TotalCommands() {
	return largeKit ? total : typeof commands == "undefined" ? 0 : commands.length;
}

// Writes the listing where the page calls it, and starts everything up.
function ShowSearch() {
	if (!largeKit) {
		// Before the first build the lists are missing: an empty index then.
		if (typeof commands == "undefined") window.commands = new Array();
		if (typeof links == "undefined") window.links = new Array();
		if (typeof modules == "undefined") window.modules = new Array();
		total = commands.length;
		partSize = Math.max(1, total);
		if (total > 0) AddPart(0, ColumnText(commands), ColumnText(links), ColumnText(modules));
	}
	document.write("<span class='normale'>" + ShowIndex() + "<span class='normale'>" +
		"<p id='count' class='count' role='status' aria-live='polite'></p>" +
		"<div id='hits' role='list'></div><div id='more'><button type='button' id='showmore'>Show " + moreRows + " more</button></div>" +
		ShowIndex() + "</span></span>");

	hitsBox = document.getElementById("hits");
	countBox = document.getElementById("count");
	moreBox = document.getElementById("more");
	field = document.forms["cercatore"].elements["textfield"];
	var startQuery = ParseQuery(location.search);
	if (!startQuery.search) baseQuery = location.search;
	Apply(startQuery, false);

	field.addEventListener("input", OnType);
	document.addEventListener("keydown", OnKey);
	document.getElementById("showmore").addEventListener("click", function () { ShowMore(moreRows); });
	if (typeof IntersectionObserver != "undefined") {
		new IntersectionObserver(function (entries) {
			if (entries[entries.length - 1].isIntersecting) FillNear();
		}, { rootMargin: "0px 0px 100% 0px" }).observe(moreBox);
	}
	// Back and Forward: a page taken from the browser's cache shows what its
	// address says.
	window.addEventListener("pageshow", function (e) { if (e.persisted) Apply(ParseQuery(location.search), false); });
	window.addEventListener("popstate", function () { Apply(ParseQuery(location.search), false); });
	if (pendingLists) {
		requestAnimationFrame(function () { setTimeout(LoadLater, 0); });
		setTimeout(LoadLater, 200);
	}
}
