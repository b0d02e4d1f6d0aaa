// The result list on the page, the keyboard and the address bar, and the
// start of it all, ShowSearch().  Part of search.js.

// ---- Showing ---------------------------------------------------------------

// Letter groups beside A-Z that this kit's names need, found as lists arrive.
var extraLetters = { "0-9": false, "_": false, "OTHER": false };

function NoteInitials(part) {
	for (var j = 0; j < part.count; j++) {
		var g = LetterGroup(part.names.charAt(part.nameAt[j]));
		if (g in extraLetters && !extraLetters[g] && part.nameAt[j + 1] - 1 > part.nameAt[j]) {
			extraLetters[g] = true;
			var links = document.getElementsByClassName("group-" + (g == "_" ? "us" : g.toLowerCase()));
			for (var l = 0; l < links.length; l++) links[l].hidden = false;
		}
	}
}

function ShowIndex() {
	var html = "<table width='100%' border='0' cellpadding='0' cellspacing='0' class='navbar'><tr><td>";
	html += "<a href='" + homeTarget + "'>Home</a><br>";
	for (var c = 65; c <= 90; c++) {
		var letter = String.fromCharCode(c);
		html += "<a href='" + letterTarget + letter + "'>" + letter + "</a> &nbsp; ";
	}
	var extra = [["0-9", "0-9", "0-9"], ["_", "_", "us"], ["OTHER", "other", "other"]];
	for (var e = 0; e < extra.length; e++) {
		html += "<span class='group-" + extra[e][2] + "'" + (extraLetters[extra[e][0]] ? "" : " hidden") + "><a href='" +
			letterTarget + extra[e][1] + "'>" + extra[e][1] + "</a> &nbsp; </span>";
	}
	html += "<a href='" + letterTarget + " '>ALL</a>";
	return html + "</td></tr></table>";
}

// The text with [from, to) marked (none where `from` < 0).
function Marked(text, from, to) {
	if (from < 0) return EscapeHtml(text);
	return EscapeHtml(text.substring(0, from)) + "<mark>" + EscapeHtml(text.substring(from, to)) + "</mark>" +
		EscapeHtml(text.substring(to));
}

// Where the matched text lies in a name, as [from, to), or [-1, -1].
function NameMark(name) {
	if (current.kind != "search") return noMark;
	var upper = name.toUpperCase();
	if (upper.length != name.length) return noMark;
	var match = MatchName(upper, current);
	return !match || match[1] == match[0] ? noMark : match;
}

var noMark = [-1, -1];

// Where the text of a plain search lies in the arguments (a plain text
// looks through the arguments too), as [from, to), or [-1, -1].
function ArgsMark(args) {
	if (current.kind != "search" || !current.plain || args == "") return noMark;
	var upper = args.toUpperCase(), text = current.pieces[0];
	var at = upper.length == args.length ? upper.indexOf(text) : -1;
	return at < 0 ? noMark : [at, at + text.length];
}

// Makes an element hold the text with [from, to) marked, as Marked writes
// it, setting the texts of the nodes it has where they have that form.
function SetMarked(element, text, from, to) {
	var kids = element.childNodes;
	if (from < 0) {
		if (kids.length == 1 && kids[0].nodeType == 3) {
			if (kids[0].data != text) kids[0].data = text;
		} else {
			element.textContent = text;
		}
		return;
	}
	var before = text.substring(0, from), within = text.substring(from, to), after = text.substring(to);
	if (kids.length == 3 && kids[0].nodeType == 3 && kids[1].nodeName == "MARK" && kids[2].nodeType == 3 &&
		kids[1].childNodes.length == 1) {
		if (kids[0].data != before) kids[0].data = before;
		if (kids[1].firstChild.data != within) kids[1].firstChild.data = within;
		if (kids[2].data != after) kids[2].data = after;
		return;
	}
	element.textContent = "";
	var mark = document.createElement("mark");
	mark.textContent = within;
	element.appendChild(document.createTextNode(before));
	element.appendChild(mark);
	element.appendChild(document.createTextNode(after));
}

// What one result row shows: its id and class, the command's link, title
// (a long name's whole name), marked name and arguments, and its module
// ("" for none) with the module's link.  A row `far` below the first
// screen is laid out and painted only when it comes near the view.
function RowParts(i, far) {
	var part = PartOf(i), j = i - part.base;
	var name = Value(part.names, part.nameAt, j);
	var link = linkStart + LinkOf(part, j);
	var module = ModuleOf(part, j), args = ArgsOf(part, j);
	return {
		id: "hit" + i, cls: far ? "hit far" : "hit", href: FileHref(link), title: name.length > 80 ? name : "",
		name: name, nameMark: NameMark(name), args: args, argsMark: ArgsMark(args), module: module,
		moduleHref: module != "" ? ModuleHref(link) : ""
	};
}

// One result row, an option of the listbox.
function RowHtml(r) {
	var html = "<div class='" + r.cls + "' role='option' aria-selected='false' id='" + r.id + "'><a class='cmd' href='" +
		EscapeHtml(r.href) + "'" + (r.title != "" ? " title='" + EscapeHtml(r.title) + "'" : "") + ">" +
		Marked(r.name, r.nameMark[0], r.nameMark[1]) + "</a><span class='args'>" +
		Marked(r.args, r.argsMark[0], r.argsMark[1]) + "</span>";
	if (r.module != "") {
		// The module's page, and beside it a search of that module alone
		// ("module:" in the field; typing goes on from there).
		html += " <span class='where'><a class='mod' tabindex='-1' href='" + EscapeHtml(r.moduleHref) + "'>" +
			EscapeHtml(r.module) + "</a><a class='scope' tabindex='-1' aria-hidden='true' title='" +
			EscapeHtml(ScopeTitle(r.module)) + "' href='" + EscapeHtml(ScopeHref(r.module)) + "'>\u2315</a></span>";
	}
	return html + "</div>";
}

function ScopeTitle(module) {
	return "Search in " + module;
}

function ScopeHref(module) {
	return "?textfield=" + EncodeQuery(module + ":") + "&Submit=Search";
}

// Makes a row written before show `r` in its place, changing only what
// differs: a keystroke's new screen of rows then neither takes down nor
// parses nor styles again what stays (1 to 1.5 ms of its task and frame
// at 35 rows).  False when the row has another form (a module where it had
// none, or the other way round).
function RefillRow(row, r) {
	var was = row.lexidorRow;
	if (!was || (was.module == "") != (r.module == "")) return false;
	if (row.className != r.cls) {
		// (also the chosen row's mark)
		row.className = r.cls;
		row.setAttribute("aria-selected", "false");
	}
	if (was.id != r.id) row.id = r.id;
	var cmd = row.firstChild;
	if (was.href != r.href) cmd.setAttribute("href", r.href);
	if (was.title != r.title) {
		if (r.title != "") cmd.setAttribute("title", r.title);
		else cmd.removeAttribute("title");
	}
	if (was.name != r.name || was.nameMark[0] != r.nameMark[0] || was.nameMark[1] != r.nameMark[1]) {
		SetMarked(cmd, r.name, r.nameMark[0], r.nameMark[1]);
	}
	if (was.args != r.args || was.argsMark[0] != r.argsMark[0] || was.argsMark[1] != r.argsMark[1]) {
		SetMarked(cmd.nextSibling, r.args, r.argsMark[0], r.argsMark[1]);
	}
	if (r.module != "" && was.module != r.module) {
		var mod = row.lastChild.firstChild, scope = mod.nextSibling;
		mod.textContent = r.module;
		scope.setAttribute("title", ScopeTitle(r.module));
		scope.setAttribute("href", ScopeHref(r.module));
	}
	if (r.module != "" && was.moduleHref != r.moduleHref) row.lastChild.firstChild.setAttribute("href", r.moduleHref);
	row.lexidorRow = r;
	return true;
}

var current = { kind: "all", n: 0, list: null };
var shownRows = 0, selected = -1;
var hitsBox, namesBox, countBox, moreBox, missingBox, field;

function Plural(n) {
	return n + (n == 1 ? " command" : " commands");
}

// The rows of the current result that can be shown now.
function Showable() {
	return current.list ? current.n : Math.min(current.n, RowsIn());
}

function ShowCount() {
	var text = Plural(current.n);
	// Rows still to be written while the page is idle count as shown: the
	// line does not change when they come.
	var listed = fillPending === current ? Math.max(shownRows, Math.min(fillTo, Showable())) : shownRows;
	if (current.kind == "all" && !current.typed) {
		// The commands page gives the whole number in its own line already.
		var totalLine = document.getElementById("total") != null;
		if (listed < current.n) text = "Showing the first " + listed + " of " + text;
		else if (totalLine) text = "";
	}
	var searching = current.kind != "all" && current.searched < total;
	if (current.kind == "letter") text += " starting with " + (current.letter == "OTHER" ? "other characters" : current.letter);
	if (current.kind == "search" || (current.typed != null && current.typed != "")) {
		text += " found for \u201c" + current.typed + "\u201d";
	}
	if (searching && (pendingLists || !current.done)) text += " so far \u2013 searched " + current.searched + " of " + total + "\u2026";
	else if (searching) text += " in the " + current.searched + " of " + total + " commands that loaded";
	else if (listed < current.n && current.kind != "all") text += " \u2013 showing the first " + listed + " of " + current.n;
	SetText(countBox, text);
	var more = listed < current.n ? "" : "none";
	if (moreBox.style.display != more) moreBox.style.display = more;
	Expanded(shownRows + textHits > 0);
}

// Makes an element hold `text` alone, as the text of the node it has where
// it has one: a line that stays as it was is not laid out again.
function SetText(element, text) {
	var kid = element.firstChild;
	if (kid && kid == element.lastChild && kid.nodeType == 3) {
		if (kid.data != text) kid.data = text;
	} else {
		element.textContent = text;
	}
}

// Whether the field's listbox shows any option.
function Expanded(yes) {
	var value = yes ? "true" : "false";
	if (field.getAttribute("aria-expanded") != value) field.setAttribute("aria-expanded", value);
}

// The rows the screen can show below the top of the list at most (a row is
// at least 20 pixels high): rows past these are written as `far` rows.
// Measured when the user types; while the page loads, the whole window
// counts (measuring then would lay out a page still being read).
var screenRows = 60;

// Where the list begins on the screen, as the last frame laid it out: a
// keystroke reads it from here rather than asking for a layout of the page
// it is changing (that forced layout took 6 to 12 ms of every keystroke's
// task).  It is taken again in the frame after the page scrolls, is resized
// or shows a result.
// The height of a row is taken in the same frame, from the lowest of the
// first rows drawn (a row that wraps is taller, none is lower than one line):
// a keystroke writes the rows of one screen and one more, not a fifth more
// (each row written costs about a quarter of a millisecond of layout).
var namesTop = null, namesTopPending = false, rowHeight = 20;

function NamesTopLater() {
	if (namesTopPending) return;
	namesTopPending = true;
	requestAnimationFrame(function () {
		namesTopPending = false;
		namesTop = namesBox.getBoundingClientRect().top;
		var rows = namesBox.children, low = 0;
		for (var k = 0; k < rows.length && k < 8; k++) {
			var hit = rows[k].className.indexOf("hit") == 0;
			var h = hit ? rows[k].getBoundingClientRect().height : 0;
			if (h >= 12 && (low == 0 || h < low)) low = h;
		}
		if (low > 0) rowHeight = low;
	});
}

function MeasureScreen(typing) {
	var height = window.innerHeight || 1024, top = 0;
	if (typing) top = namesTop != null ? namesTop : namesBox.getBoundingClientRect().top;
	var below = height - Math.max(0, Math.min(top, height));
	screenRows = Math.max(10, Math.ceil(below / rowHeight) + 1);
	NamesTopLater();
}

function ScreenRows() {
	return screenRows;
}

// Rows of the result shown before, kept by Show for ShowMore to write the
// new rows into.
var spareRows = 0;

function ShowMore(count) {
	var end = Math.min(Showable(), shownRows + count), near = ScreenRows();
	var html = [], parts = [], rows = namesBox.children;
	for (var k = shownRows; k < end; k++) {
		var r = RowParts(current.list ? current.list[k] : k, k >= near);
		if (k < spareRows && RefillRow(rows[k], r)) continue;
		if (k < spareRows) {
			rows[k].outerHTML = RowHtml(r);
			rows[k].lexidorRow = r;
			continue;
		}
		html[html.length] = RowHtml(r);
		parts[parts.length] = r;
	}
	if (html.length) {
		namesBox.insertAdjacentHTML("beforeend", html.join(""));
		for (var n = 0, from = rows.length - parts.length; n < parts.length; n++) rows[from + n].lexidorRow = parts[n];
	}
	// A chosen row of the text group below keeps its row.
	if (selected >= shownRows) selected += end - shownRows;
	shownRows = end;
	ShowCount();
	TextPlace();
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
	namesBox.innerHTML = html + "</p>";
}

// Shows a result: the first rows (all of a short letter listing), the count.
// While the user types, only the rows of one screen are written at once and
// the others when the page is idle, so that a keystroke lays out and paints
// no more than what can be seen.
function Show(result, typing) {
	MeasureScreen(typing);
	current = result;
	shownRows = 0;
	Unselect();
	// The rows shown are written over (only rows: "nothing found" goes).
	spareRows = namesBox.children.length;
	if (spareRows > 0 && !namesBox.firstChild.lexidorRow) {
		namesBox.innerHTML = "";
		spareRows = 0;
	}
	if (result.n == 0 && result.kind == "search" && result.done && !pendingLists) {
		namesBox.innerHTML = "";
		spareRows = 0;
		NoMatch(result.typed);
	}
	var rows = result.kind != "search" && result.n <= fullLimit ? result.n : firstRows;
	if (typing && rows > ScreenRows()) {
		FillLater(rows);
		ShowMore(ScreenRows());
	} else {
		fillPending = null;
		ShowMore(rows);
	}
	// Rows of the result before past those of this one go.
	for (; spareRows > shownRows; spareRows--) namesBox.removeChild(namesBox.lastChild);
	spareRows = 0;
}

// The rows of the current result up to `rows`, written when the page is
// idle, a few hundred at a time, once the user has stopped typing for
// typingPause ms: rows written between keystrokes (20 to 30 ms to write,
// lay out and paint each few hundred) delayed the next keystroke and the
// index files it waited for, and that keystroke then had to take them all
// down again.  While the text group waits for its answer they wait too (up
// to textFirstMillis): an index file that comes in meanwhile would wait for
// them.  Scrolling to them or Down past the last row writes them at once.
var fillPending = null, fillTo = 0, textFirstMillis = 400, typingPause = 600, lastTyped = 0;

function FillLater(rows, since) {
	var result = current;
	var started = since || Date.now();
	fillPending = result;
	fillTo = rows;
	var run = function () {
		if (fillPending !== result) return;
		var typing = typingPause - (Date.now() - lastTyped);
		if (typing > 0) {
			setTimeout(function () {
				if (fillPending === result) FillLater(rows, started);
			}, typing);
			return;
		}
		if (TextWaiting() && Date.now() - started < textFirstMillis) {
			FillLater(rows, started);
			return;
		}
		if (current === result && shownRows + 300 < Math.min(rows, Showable())) {
			ShowMore(300);
			FillLater(rows);
			return;
		}
		fillPending = null;
		if (current !== result) return;
		if (shownRows < rows) ShowMore(rows - shownRows);
		FillNear();
	};
	Idle(run, 150, 30);
}

// ---- Typing, keys and history ----------------------------------------------

var baseQuery = "";
var shownQuery = null;

// Shows what a parsed query asks for; the field shows its text unless
// `keepField` (the user is typing in it).  An `address` given is written
// once the result is painted (see WriteAddress); without one, an address
// still waiting from typing is dropped (Back, Forward and the page's first
// query show the address they came with).
function Apply(q, keepField, address) {
	shownQuery = q;
	if (!keepField) field.value = q.search ? q.text : "";
	TextEarly(q);
	if (address != null) WriteAddress(address);
	else addressWaiting = null;
	// A keystroke writes the rows of one screen at first (see Show).
	MeasureScreen(keepField);
	Show(Find(q, keepField ? ScreenRows() : firstRows, current), keepField);
	if (!current.done) Continue(current);
	TextQuery(q);
}

// The address follows the typed query once the frame showing its results
// has been painted, only the latest of a run of keystrokes: writing it
// (history.replaceState) took 0.5 to 0.8 ms of a keystroke's task at the
// median and 2 to 10 ms at the 95th percentile, before its results were
// painted.
// Leaving the page (Enter on a result) writes it at once first, so that
// Back returns to the query as it was typed.
var addressWaiting = null, addressPosted = false;

function WriteAddress(address) {
	addressWaiting = address;
	if (addressPosted) return;
	addressPosted = true;
	AfterPaint(function () {
		addressPosted = false;
		AddressNow();
	});
}

function AddressNow() {
	if (addressWaiting == null) return;
	var address = addressWaiting;
	addressWaiting = null;
	history.replaceState(null, "", address);
}

function OnType() {
	var typed = field.value;
	lastTyped = Date.now();
	if (typed == "") {
		Apply(ParseQuery(baseQuery), true, location.pathname + baseQuery);
		return;
	}
	var address = location.pathname + "?textfield=" + EncodeQuery(typed) + "&Submit=Search";
	Apply({ search: true, text: typed }, true, address);
}

// The result rows of every group, in the order shown: the names, then the
// text group (owned by the listbox, drawn below the names' "Show more").
function Options() {
	return document.querySelectorAll("#names .hit, #texts .hit");
}

function Unselect() {
	selected = -1;
	field.removeAttribute("aria-activedescendant");
}

function Select(k) {
	var rows = Options();
	// Down past the last name drawn draws more names before the text group.
	if (k == shownRows && selected == shownRows - 1 && shownRows < Showable()) {
		ShowMore(moreRows);
		rows = Options();
	}
	if (rows.length == 0) return;
	k = Math.max(0, Math.min(k, rows.length - 1));
	if (selected >= 0 && selected < rows.length) {
		rows[selected].classList.remove("sel");
		rows[selected].setAttribute("aria-selected", "false");
	}
	selected = k;
	rows[k].classList.add("sel");
	rows[k].setAttribute("aria-selected", "true");
	field.setAttribute("aria-activedescendant", rows[k].id);
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
		var row = Options()[selected];
		if (row) {
			e.preventDefault();
			AddressNow();
			location.href = row.getElementsByTagName("a")[0].href;
		}
	} else if (e.key == "Enter" && target == field && current.kind == "search" && current.exact == 1 &&
		current.done && !pendingLists && shownRows > 0) {
		// The one command of exactly the typed name opens at once.
		e.preventDefault();
		AddressNow();
		location.href = Options()[0].getElementsByTagName("a")[0].href;
	} else if (e.key == "Escape" && target == field) {
		e.preventDefault();
		field.value = "";
		OnType();
	}
}

// More rows while the end of the list is within a screen of coming into view
// (`scrolled`: also while rows wait to be written when the page is idle).
function FillNear(scrolled) {
	if ((fillPending && scrolled !== true) || shownRows >= Showable() ||
		moreBox.getBoundingClientRect().top > innerHeight * 2) return;
	ShowMore(moreRows);
	requestAnimationFrame(function () { FillNear(scrolled); });
}

// A rows file came in (or failed to): the shown result takes in its hits,
// below the rows already shown; once every file is in, the result takes
// its final order in one step.
function RowsArrived(k, ok) {
	pendingLists--;
	if (!ok) {
		missingFiles[missingFiles.length] = RowsFile(k);
		missingBox.textContent = "Part of the index is missing (" + missingFiles.join(", ") +
			"): rebuild the index. Results come from the commands that loaded.";
		missingBox.hidden = false;
	} else {
		NoteInitials(parts[k]);
		PartCapitals(parts[k]);
	}
	// A search still looking through its slices takes the new rows in as
	// it goes on.
	if (current.kind != "all" && current.done) {
		var before = current.counts.slice();
		current.done = Scan(current, sliceMillis);
		Append(current, before);
		if (!current.done) Continue(current);
	}
	if (current.done && pendingLists == 0) Settle(current);
	else Grown();
}

// The rows just added to the result: the first screen filled, the count.
function Grown() {
	var near = Math.min(firstRows, ScreenRows());
	var fill = Math.max(shownRows, near) < Math.min(firstRows, Showable());
	if (fill && fillPending !== current) FillLater(firstRows);
	if (shownRows < near) ShowMore(near - shownRows);
	else ShowCount();
	if (!fill) FillNear();
}

// Runs `fn` once the frame showing what was just written has been painted
// (two tasks after the frame's animation callbacks, so that tasks the frame
// queued come first), or after a moment in a tab that paints nothing.
function AfterPaint(fn) {
	var ran = false;
	var run = function () {
		if (!ran) {
			ran = true;
			fn();
		}
	};
	requestAnimationFrame(function () { setTimeout(function () { setTimeout(run, 0); }, 0); });
	setTimeout(run, 100);
}

// The next slice of a search, in a task of its own; a newer search ends it.
// The first waits until the rows found so far are painted, the others follow
// one another at once (input still comes in between them).
function Continue(result, next) {
	var slice = function () {
		if (current !== result || groupsOwner !== result) return;
		var before = result.counts.slice();
		result.done = Scan(result, sliceMillis);
		if (result.done && pendingLists == 0) {
			Settle(result);
			return;
		}
		Append(result, before);
		Grown();
		if (!result.done) Continue(result, true);
	};
	if (next) setTimeout(slice, 0);
	else AfterPaint(slice);
}

// A "?go=" address: once the whole list is in, the first command of
// exactly that name opens in this tab's place.
function Jump() {
	if (!shownQuery || !shownQuery.go || !current.done || pendingLists || !current.exact) return;
	var i = current.list[0], part = PartOf(i);
	location.replace(FileHref(linkStart + LinkOf(part, i - part.base)));
}

// The result has seen every row: it takes its final order.  Where the rows
// already shown keep their places, only the rows below them and the count
// change; otherwise the list is shown again in one step.
function Settle(result) {
	if (result.kind != "all") {
		var list = FinalList(result), same = true;
		for (var x = 0; same && x < shownRows; x++) same = list[x] == result.list[x];
		result.list = list;
		result.n = result.counts[0] + result.counts[1] + result.counts[2] + result.counts[3] + result.counts[4];
		result.exact = result.counts[0];
		if (!same || (result.n == 0 && result.kind == "search")) {
			var chosen = selected;
			Show(result, true);
			if (chosen >= 0) Select(chosen);
			FillNear();
			Jump();
			return;
		}
	}
	Grown();
	Jump();
}

// The name search's functions, run on the kit's own names while the page
// waits for its first keystroke, a round of searches per idle moment: the
// browser has then compiled them by the time the user types, rather than
// compiling them while the first keystrokes of a fresh page are answered
// (on the page's thread and beside it, on the machine's other core).  Only
// while no search is shown, so that no result's rows or groups are in use;
// nothing found is kept or shown.
var warmRounds = 3, warmed = 0;

function WarmUp(round, idle) {
	if (round >= warmRounds || current.kind != "all" || !parts[0] || parts[0].count == 0) return;
	// (a round takes up to 16 ms of a large kit: it waits for a longer idle
	// moment than that)
	if (idle && idle.timeRemaining && idle.timeRemaining() < 20 && !idle.didTimeout) {
		Idle(function (later) { WarmUp(round, later); }, 1000, 50);
		return;
	}
	var name = Value(parts[0].names, parts[0].nameAt, 0), shown = current, turn = lastList;
	if (name.length < 2) return;
	try {
		var shorter = Find({ search: true, text: name.substring(0, 2) }, ScreenRows(), null);
		var longer = Find({ search: true, text: name.substring(0, 3) }, ScreenRows(), shorter);
		// The rows of a screen as a keystroke writes them (their marks are
		// found for the result they belong to).
		current = longer;
		for (var k = 0; k < Math.min(longer.n, ScreenRows()); k++) RowParts(longer.list[k], false);
	} finally {
		current = shown;
		lastList = turn;
		groupsOwner = null;
	}
	warmed = round + 1;
	Idle(function (later) { WarmUp(round + 1, later); }, 1000, 50);
}

// The rows files of a large kit: asked for after the first screen is
// painted (or after a moment, where a hidden tab paints nothing).
function LoadLater() {
	if (LoadLater.done) return;
	LoadLater.done = true;
	LoadRows(rowsOrder, RowsArrived);
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
		// first.js carries the arguments of a small kit's commands.
		var args = typeof firstCommands != "undefined" && firstCommands.args || [];
		if (total > 0) AddPart(0, ColumnText(commands, total), ColumnText(links, total), ColumnText(modules, total), ColumnText(args, total));
	} else if (!parts[0]) {
		// first.js's rows stand in for the first rows file until it arrives.
		var first = Math.min(total, firstCommands.commands.length);
		parts[0] = MakePart(0, ColumnText(firstCommands.commands, first),
			ColumnText(firstCommands.links.map(function (l) { return String(l).substring(linkStart.length); }), first),
			ColumnText(firstCommands.modules, first), ColumnText(firstCommands.args || [], first), first);
		parts[0].provisional = true;
	}
	for (var k = 0; k < parts.length; k++) if (parts[k]) NoteInitials(parts[k]);
	document.write("<span class='normale'>" + ShowIndex() + "<span class='normale'>" +
		"<p id='missing' class='missing' role='alert' hidden></p>" +
		"<p id='count' class='count' role='status' aria-live='polite'></p>" +
		"<div id='hits' role='listbox' aria-label='Search results' aria-owns='texts'><div id='names' role='group' aria-label='Command names'></div></div>" +
		"<div id='more'><button type='button' id='showmore'>Show " + moreRows + " more</button></div>" + TextGroupHtml() +
		ShowIndex() + "</span></span>");

	hitsBox = document.getElementById("hits");
	namesBox = document.getElementById("names");
	countBox = document.getElementById("count");
	moreBox = document.getElementById("more");
	missingBox = document.getElementById("missing");
	field = document.forms["cercatore"].elements["textfield"];
	field.setAttribute("role", "combobox");
	field.setAttribute("aria-autocomplete", "list");
	field.setAttribute("aria-expanded", "false");
	TextStart();
	var startQuery = ParseQuery(location.search);
	if (!startQuery.search) baseQuery = location.search;
	Apply(startQuery, false);
	Jump();
	Idle(function (idle) { WarmUp(0, idle); }, 1000, 50);

	field.addEventListener("input", OnType);
	window.addEventListener("scroll", function () {
		NamesTopLater();
		// Rows still waiting for the user to stop typing come when scrolled to.
		if (fillPending) FillNear(true);
	}, { passive: true });
	window.addEventListener("resize", NamesTopLater);
	document.addEventListener("keydown", OnKey);
	document.getElementById("showmore").addEventListener("click", function () { ShowMore(moreRows); });
	hitsBox.addEventListener("click", function (e) {
		var scope = e.target.closest ? e.target.closest("a.scope") : null;
		if (!scope || e.button != 0 || e.ctrlKey || e.metaKey || e.shiftKey) return;
		e.preventDefault();
		field.value = ParseQuery(scope.getAttribute("href")).text;
		OnType();
		AddressNow();
		field.focus();
	});
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

// The page's links are resolved against its own address without the query,
// set once as the page's base: the address a keystroke writes (its query)
// then changes no link, where otherwise the browser restyles every link of
// the page after each keystroke (2 to 27 ms of a keystroke's task and frame
// at 5,000 pages).  A link of the page never holds its address's query.
function FixBase() {
	if (document.getElementsByTagName("base").length || !document.head) return;
	var base = document.createElement("base");
	base.href = location.href.replace(/[?#].*$/, "");
	document.head.appendChild(base);
}
FixBase();

// A search opened from its address (a bookmark, a shared link, the form's
// submit) wants results in its first screen: the rows file where its first
// matches lie comes before the page is drawn.
var rowsOrder = largeKit ? RowsOrder(ParseQuery(location.search)) : [];
if (largeKit && location.search.indexOf("=") != -1 && rowsOrder.length > 0) {
	document.write("<script type='text/javascript' src='" + RowsFile(rowsOrder[0]) + "'><\/script>");
}
