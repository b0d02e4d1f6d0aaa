// The text of the documentation searched beside the names: a second group of
// results, "In the documentation", below the command names.  Part of
// search.js.
//
// The text index and its search engine come in with <script> loads only,
// which work from file:// where fetch, workers and WebAssembly do not: first
// the pointer Modules/textindex.js (it names the index's current folder),
// then the engine Modules/fulltext.js, which loads the files each query
// needs.  Both are asked for once the names are drawn, so the name search
// never waits for them.  The engine answers a query once every file it
// needs is in, and only the latest query: the group is drawn once per
// answer and never reshuffles as files arrive.  A kit without a text index,
// or with part of it missing, keeps its name search and says what is missing.
//
// What a query gives the text search: its words, quotes (a phrase) and all,
// with the name syntax taken out.  Stars at either end go ("get*" and
// "*image" look for the words "get" and "image", the last word typed
// matching as the start of a word), a star inside parts two words
// ("get*font" is "get font"), and a scoped query ("font:load") searches
// names only.  Fewer than two letters search no text, and the last word
// matches as the start of words from its third letter on.

var textStep = 10;            // text hits drawn at first and added by "Show more"
var textEngine = null;
var textProblem = null;       // why the text cannot be searched, or null
var textWanted = null;        // the text query the page is showing, or null
var textLimit = textStep;
var textTimer = 0;
var textHits = 0;             // text rows drawn
var textBox, textRows, textCount, textNote, textMore;
var textEarly = null;         // the text asked for before the names were searched
var textHeld = null;          // its answer, while the names are still being drawn: [text, result]
var textHolding = false;

// What query `q` (from ParseQuery) asks of the text, or null for none.
function TextQueryOf(q) {
	if (!q || !q.search || q.text.indexOf(":") != -1) return null;
	var text = q.text.replace(/^[\s*]+/, "").replace(/\*+$/, "").replace(/\*/g, " ");
	if (text.replace(/[\s"]/g, "").length < 2) return null;
	// A last word of one letter is still being typed: the words before it are
	// searched (their answer is in already) until its second letter comes.
	if (/[^\s"][\s"]+[^\s"]$/.test(text)) text = text.slice(0, -1);
	// A last word of one or two letters is looked for whole: as the start of
	// words it would stand for a great many, and load all their files.
	return /(^|[\s"])[^\s"]{1,2}$/.test(text) ? text + " " : text;
}

// Where a file of the text index lies below the documentation's top, as the
// messages name it.
function TextFileName(name) {
	if (name.indexOf("/") == -1 && name != "textindex.js" && name != "fulltext.js" && window.lexidorTextIndex) {
		name = String(window.lexidorTextIndex.dir) + name;
	}
	return "Modules/" + name;
}

// The group's place on the page, written into the listing by ShowSearch: a
// heading, its count (a live region of its own), a note for what is
// missing, the options (owned by the result listbox), and "Show more".
function TextGroupHtml() {
	return "<div id='textpart' class='textpart' hidden><div class='texthead'><span id='texthead'>In the documentation</span>" +
		" <span id='textcount' class='textcount' role='status' aria-live='polite'></span></div>" +
		"<p id='textnote' class='textnote' hidden></p>" +
		"<div id='texts' role='group' aria-labelledby='texthead'></div>" +
		"<div id='textmore' hidden><button type='button'>Show " + textStep + " more</button></div></div>";
}

function LoadTextScript(src, done) {
	var script = document.createElement("script");
	script.src = src;
	script.onload = function () { done(true); };
	script.onerror = function () { done(false); };
	document.head.appendChild(script);
}

// Finds the group's parts and loads the pointer, then the engine.
function TextStart() {
	textBox = document.getElementById("textpart");
	textRows = document.getElementById("texts");
	textCount = document.getElementById("textcount");
	textNote = document.getElementById("textnote");
	textMore = document.getElementById("textmore");
	textMore.firstChild.addEventListener("click", function () {
		textLimit += textStep;
		RunText();
	});
	LoadTextScript(listFolder + "textindex.js", function (ok) {
		if (!ok || !window.lexidorTextIndex) {
			TextMissing("Full-text index not found (" + TextFileName("textindex.js") +
				"): rebuild the index to search the text of the documentation.");
			return;
		}
		LoadTextScript(listFolder + "fulltext.js", function (ok) {
			if (!ok || typeof LexidorFullText == "undefined") {
				TextMissing("Full-text search not found (" + TextFileName("fulltext.js") +
					"): rebuild the index to search the text of the documentation.");
				return;
			}
			textEngine = LexidorFullText.create({ base: listFolder });
			// The index's manifest, read before the first keystroke needs it.
			textEngine.search("", function () {});
			if (textWanted != null) ScheduleText();
		});
	});
}

function TextMissing(why) {
	textProblem = why;
	if (textWanted == null) return;
	ShowTextNote(why);
	TextArrived(textWanted, { total: 0, hits: [], missing: [] });
}

function ShowTextNote(text) {
	SetText(textNote, text);
	if (textNote.hidden != (text == "")) textNote.hidden = text == "";
}

// The query `q` is about to be shown: its text search starts before the
// names are searched and drawn, so that the files it needs load meanwhile.
// An answer that comes at once (its files were in) is held until the names
// are drawn and TextQuery(q) draws it in the same task, one paint for both.
function TextEarly(q) {
	var text = TextQueryOf(q);
	textEarly = null;
	textHeld = null;
	if (text == null || text === textWanted || !textEngine || textProblem) return;
	textEarly = text;
	textHolding = true;
	try {
		textEngine.search(text, function (result) {
			if (textHolding) textHeld = [text, result];
			else TextArrived(text, result);
		}, { limit: textStep });
	} catch (e) {
		textEarly = null;  // RunText tries again, and says what failed
	}
}

// Whether the text group is waiting for the answer to the query shown.
function TextWaiting() {
	return textWanted != null && !textProblem && textRows != null &&
		textRows.hasAttribute("aria-busy");
}

// The query `q` is shown: the text group follows it.
function TextQuery(q) {
	var text = TextQueryOf(q);
	// A first letter searches no text (nor a word's first letter after
	// others), but the dictionary files of the words it begins are loaded
	// for the keystroke after it.
	if (textEngine && q && q.search && q.text.indexOf(":") == -1 &&
		(text == null || /(^|[\s"*])[^\s"*]$/.test(q.text))) {
		textEngine.prefetch(q.text.replace(/\*/g, " "));
	}
	var early = text != null && textEarly === text, held = textHeld;
	textEarly = null;
	textHeld = null;
	textHolding = false;
	if (text === textWanted) return;
	textWanted = text;
	textLimit = textStep;
	if (text == null) {
		textBox.hidden = true;
		textRows.innerHTML = "";
		textHits = 0;
		Expanded(shownRows > 0);
		return;
	}
	if (textBox.hidden) textBox.hidden = false;
	// An answer in already is drawn at once, in this task.
	if (early && held && !textProblem) {
		TextArrived(held[0], held[1]);
		return;
	}
	// The hits of the query before stay, dimmed, until this one's arrive.
	textBox.classList.add("stale");
	textRows.setAttribute("aria-busy", "true");
	// (A search started early answers once its files are in.)
	if (textProblem) TextMissing(textProblem);
	else if (!early && textEngine) ScheduleText();
}

// A query runs in a task of its own, after the names are drawn; keystrokes
// that come faster than the engine answers only change what it runs next.
function ScheduleText() {
	if (!textTimer) textTimer = setTimeout(RunText, 0);
}

function RunText() {
	textTimer = 0;
	var text = textWanted;
	if (text == null || !textEngine) return;
	try {
		textEngine.search(text, function (result) { TextArrived(text, result); }, { limit: textLimit });
	} catch (e) {
		// An index file that loaded but cannot be read: the names go on.
		ShowTextNote("The full-text index could not be read (" + e.message + "): rebuild the index.");
		textBox.classList.remove("stale");
	}
}

// Whether the group lies below a screen of names: it is then neither
// styled, laid out nor painted until it comes near (`far`, as the rows past
// the first screen; 1 to 2 ms of a keystroke's task and frame).  A group on
// the first screen always is, so that the first paint shows it.
function TextPlace() {
	if (!textBox) return;
	var far = shownRows >= ScreenRows();
	if (textBox.classList.contains("far") != far) textBox.classList.toggle("far", far);
}

// An excerpt or a title with its matched words marked.
function MarkedExcerpt(text, marks) {
	var html = "", at = 0;
	for (var k = 0; k < marks.length; k++) {
		var from = marks[k][0], to = marks[k][1];
		if (from < at || to <= from) continue;
		html += EscapeHtml(text.substring(at, from)) + "<mark>" + EscapeHtml(text.substring(from, to)) + "</mark>";
		at = to;
	}
	return html + EscapeHtml(text.substring(at));
}

// A page as a reader knows it: a module's name for a module's page,
// otherwise its path below the documentation's top.
function PageName(page) {
	var name = page;
	try {
		name = decodeURIComponent(page);
	} catch (e) {
		// a path that is not UTF-8 shows as it is written
	}
	var module = /(?:^|\/)Modules\/(?:[^\/]+\/)*([^\/]+)\/index\.html?$/.exec(name);
	if (module) return module[1];
	return name.replace(/\/index\.html?$/, "");
}

// What a text row shows of a hit: its link, its title and excerpt as
// marked HTML, and its page.
function TextParts(hit) {
	var page = PageName(hit.page);
	return {
		href: upTarget + hit.link, page: page,
		title: hit.title ? MarkedExcerpt(hit.title, hit.titleHighlights || []) : EscapeHtml(page),
		excerpt: MarkedExcerpt(hit.excerpt, hit.highlights || [])
	};
}

function TextRow(r, k) {
	return "<div class='hit' role='option' aria-selected='false' id='text" + k + "'><a class='cmd' href='" +
		EscapeHtml(r.href) + "'>" + r.title + "</a> " +
		"<span class='page'>" + EscapeHtml(r.page) + "</span>" +
		"<div class='excerpt'>" + r.excerpt + "</div></div>";
}

// Draws the text rows of `hits`, writing into the rows drawn before only
// the parts that differ: a keystroke's answer then neither takes down nor
// parses nor styles again the rows, links or excerpts that stay.
function TextRowsDraw(hits) {
	var rows = textRows.children, html = [], added = [];
	for (var k = 0; k < hits.length; k++) {
		var r = TextParts(hits[k]), row = rows[k], was = row && row.lexidorText;
		if (!was) {
			html[html.length] = TextRow(r, k);
			added[added.length] = r;
			continue;
		}
		// (also the mark of a row chosen before)
		if (row.className != "hit") {
			row.className = "hit";
			row.setAttribute("aria-selected", "false");
		}
		var link = row.firstChild;
		if (was.href != r.href) link.setAttribute("href", r.href);
		if (was.title != r.title) link.innerHTML = r.title;
		if (was.page != r.page) link.nextSibling.nextSibling.textContent = r.page;
		if (was.excerpt != r.excerpt) row.lastChild.innerHTML = r.excerpt;
		row.lexidorText = r;
	}
	while (rows.length > hits.length) textRows.removeChild(textRows.lastChild);
	if (html.length) {
		textRows.insertAdjacentHTML("beforeend", html.join(""));
		for (var n = 0, from = rows.length - added.length; n < added.length; n++) rows[from + n].lexidorText = added[n];
	}
}

// The engine's answer to `text`: the group drawn in one step.
function TextArrived(text, result) {
	if (text !== textWanted) return;
	var missing = [];
	for (var m = 0; m < result.missing.length; m++) {
		if (result.missing[m] == "textindex.js") {
			TextMissing("Full-text index not found (" + TextFileName("textindex.js") + "): rebuild the index to search the text of the documentation.");
		} else {
			missing[missing.length] = TextFileName(result.missing[m]);
		}
	}
	if (missing.length) {
		ShowTextNote("Part of the full-text index is missing (" + missing.join(", ") +
			"): rebuild the index. Text results may be incomplete.");
	} else if (!textProblem) {
		ShowTextNote("");
	}
	var hits = [];
	for (var h = 0; h < result.hits.length; h++) {
		// A hit whose section file is missing has nothing to show or open.
		if (result.hits[h].link) hits[hits.length] = result.hits[h];
	}
	var drawn = hits.length;
	// A chosen text row stays chosen at its place.
	var chosen = selected >= shownRows ? selected : -1;
	if (chosen >= 0) Unselect();
	TextRowsDraw(hits);
	textHits = drawn;
	if (textBox.classList.contains("stale")) textBox.classList.remove("stale");
	if (textRows.hasAttribute("aria-busy")) textRows.removeAttribute("aria-busy");
	var typed = text.replace(/\s+$/, "");
	// A prefix's common words read in part give no more than a least count.
	var count = (result.atLeast ? "at least " : "") + result.total + (result.total == 1 ? " section" : " sections") + " found for \u201c" + typed + "\u201d";
	if (result.total == 0 && !textProblem && !missing.length) count = "nothing found for \u201c" + typed + "\u201d";
	if (textProblem) count = "";
	else if (drawn < result.total) count += " \u2013 showing the first " + drawn;
	SetText(textCount, count);
	var noMore = (drawn >= result.total && !result.atLeast) || drawn < result.hits.length;
	if (textMore.hidden != noMore) textMore.hidden = noMore;
	Expanded(shownRows + drawn > 0);
	if (chosen >= 0 && drawn > 0) Select(Math.min(chosen, shownRows + drawn - 1));
}
