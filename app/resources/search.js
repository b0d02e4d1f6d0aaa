// Letter index and search of the two search pages.  A page sets listFolder
// (where the lists lie), homeTarget, letterTarget and moduleTarget, loads
// first.js and this file, and calls ShowSearch() where the listing goes.
//
// The query picks what is listed:
//   no "=" in it: a letter ("?B") lists the commands whose names start with
//     that letter in either case ("?0-9" digits, "?_" underscores, "?other"
//     anything else); an empty query lists every command;
//   otherwise the value of the first parameter ("?textfield=TEXT&Submit=Search")
//     is searched for, ignoring case: TEXT* finds the names starting with TEXT,
//     *TEXT those ending with it, and plain TEXT those containing it; a star
//     inside the text stands for any run of characters.  Every other
//     character stands for itself.  Exact names come first (the one in the
//     typed case before the others), then names starting with the text, then
//     the rest, each group in list order.
//   "?go=NAME" opens the page of the command of that name (any case; the
//     typed case first) at once, and searches for it where there is none.
//
// Typing in the field searches at once and puts the same query in the
// address bar, so a result can be bookmarked and reloaded as before.
//
// Letter listings of up to fullLimit commands are shown in full (find-in-page
// sees all of it).  Longer listings and every search show the first rows and
// add more as the end of the list comes near; the count gives the whole number.

var fullLimit = 2000;
var firstRows = 120;
var moreRows = 500;

// ---- Loading the lists -----------------------------------------------------

// first.js holds the number of commands and the first rows of the listing.
// A small kit, or an index without first.js, loads command.js, links.js and
// modules.js before the page is drawn, as the page always did.  A large kit
// draws its first screen from first.js and then loads its rows files one
// after another (LoadRows, below): each holds the names, links and modules
// of rowsPerFile commands as three texts, which the browser parses and keeps
// at far less cost than a million separate strings.  Searches run on what
// has arrived and grow as the rest comes in.
var largeKit = typeof firstCommands != "undefined" && firstCommands.rowFiles > 0;
var pendingLists = largeKit ? firstCommands.rowFiles : 0;
var total = largeKit ? firstCommands.total : 0;
var missingFiles = [];

if (!largeKit) {
	document.write("<script type='text/javascript' src='" + listFolder + "command.js'><\/script>" +
		"<script type='text/javascript' src='" + listFolder + "links.js'><\/script>" +
		"<script type='text/javascript' src='" + listFolder + "modules.js'><\/script>");
}

// The name of rows file k.
function RowsFile(k) {
	return listFolder + "rows" + k + ".js";
}

// A search opened from its address wants results in its first screen: the
// first rows file comes before the page is drawn.
if (largeKit && location.search.indexOf("=") != -1) {
	document.write("<script type='text/javascript' src='" + RowsFile(0) + "'><\/script>");
}

// Loads rows files `k` on, one after another, each arriving and running in
// tasks of its own; `arrived(k, ok)` follows each.
function LoadRows(k, arrived) {
	if (k >= firstCommands.rowFiles) return;
	if (parts[k] && !parts[k].provisional) {
		arrived(k, true);
		LoadRows(k + 1, arrived);
		return;
	}
	var script = document.createElement("script");
	script.src = RowsFile(k);
	script.onload = script.onerror = function () {
		arrived(k, !!(parts[k] && !parts[k].provisional));
		LoadRows(k + 1, arrived);
	};
	document.body.appendChild(script);
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

// Part k from its three texts; `count` is less than a full part only for the
// first rows of first.js, which stand in for part 0 until it arrives.
function MakePart(k, names, links, modules, count) {
	var base = k * partSize;
	var upper = names.toUpperCase();
	var nameAt = LineStarts(names, count);
	return {
		base: base, count: count, names: names, nameAt: nameAt, upper: upper,
		// Upper-casing only ever lengthens a name (a sharp s gives "SS").
		upperAt: upper.length == names.length ? nameAt : LineStarts(upper, count),
		links: links, linkAt: LineStarts(links, count), modules: modules, moduleAt: LineStarts(modules, count)
	};
}

function AddPart(k, names, links, modules) {
	var count = Math.max(0, Math.min(partSize, total - k * partSize));
	parts[k] = MakePart(k, names, links, modules, count);
}

// Called by each rows file.
function LexidorRows(k, names, links, modules) {
	if (largeKit) AddPart(k, names, links, modules);
}

// An array as the text of a part.
function ColumnText(values, count) {
	var text = new Array(count);
	for (var i = 0; i < count; i++) text[i] = values[i] == null ? "" : String(values[i]);
	return "\n" + text.join("\n") + "\n";
}

function Value(text, at, j) {
	return text.slice(at[j], at[j + 1] - 1);
}

function PartOf(i) {
	return parts[(i / partSize) | 0];
}

// How many commands from the start are in: rows up to there can be shown.
function RowsIn() {
	var n = 0;
	for (var k = 0; k < parts.length && parts[k] && n == parts[k].base; k++) n += parts[k].count;
	return n;
}

// How many commands any search can look through now.
function CommandsIn() {
	var n = 0;
	for (var k = 0; k < parts.length; k++) if (parts[k]) n += parts[k].count;
	return n;
}

// ---- Addresses and links -----------------------------------------------------

var htmlEscapes = { "&": "&amp;", "<": "&lt;", ">": "&gt;", "\"": "&quot;", "'": "&#39;" };

// Names and links are text: they show exactly as written, whatever they hold.
function EscapeHtml(text) {
	text = (text == null) ? "" : String(text);
	if (!/[&<>"']/.test(text)) return text;
	return text.replace(/[&<>"']/g, function (c) { return htmlEscapes[c]; });
}

// The lists are read in the page's character set, windows-1252 (what
// browsers read iso-8859-1 as): a byte 0x80-0x9F arrives as one of these
// characters, every other byte as the character of its own code.
var cp1252 = "\u20ac\u0081\u201a\u0192\u201e\u2026\u2020\u2021\u02c6\u2030\u0160\u2039\u0152\u008d\u017d\u008f" +
	"\u0090\u2018\u2019\u201c\u201d\u2022\u2013\u2014\u02dc\u2122\u0161\u203a\u0153\u009d\u017e\u0178";

// The byte a character of the lists was read from, or -1 for a character
// the page's character set has no byte for.
function ByteOf(c) {
	if (c < 0x80 || (c >= 0xa0 && c <= 0xff)) return c;
	var k = cp1252.indexOf(String.fromCharCode(c));
	return k == -1 ? -1 : 0x80 + k;
}

function Hex(byte) {
	return (byte < 16 ? "%0" : "%") + byte.toString(16).toUpperCase();
}

// A path as a url path: the bytes it was read from, each percent-encoded
// unless it stands for itself, so that the url names that very file
// whatever its folders are called ("#", "%", blanks, UTF-8 or Latin-1 names).
function EncodePath(text) {
	var out = "";
	for (var k = 0; k < text.length; k++) {
		var ch = text.charAt(k), c = text.charCodeAt(k);
		if (/[A-Za-z0-9\/._~-]/.test(ch)) {
			out += ch;
			continue;
		}
		var byte = ByteOf(c);
		if (byte >= 0) {
			out += Hex(byte);
		} else {
			var utf8;
			try {
				utf8 = unescape(encodeURIComponent(text.charAt(k)));
			} catch (e) {
				utf8 = "?";  // half a surrogate pair
			}
			for (var b = 0; b < utf8.length; b++) out += Hex(utf8.charCodeAt(b));
		}
	}
	return out;
}

// A link of the lists as path and anchor: only a "#" after the last "/" can
// start the anchor, any other one belongs to a folder's name.
function SplitLink(link) {
	var hash = link.lastIndexOf("#");
	if (hash == -1 || hash < link.lastIndexOf("/")) return { path: link, anchor: null };
	return { path: link.substring(0, hash), anchor: link.substring(hash + 1) };
}

// The url of a command's page.
function FileHref(link) {
	var parts = SplitLink(link);
	var url = (parts.path.charAt(0) == "/" ? "file://" : "file:///") + EncodePath(parts.path);
	return parts.anchor == null ? url : url + "#" + EncodePath(parts.anchor);
}

// The module's page: the command's page without its anchor, reached inside
// this tree when the link runs through its Modules folder.
function ModuleHref(link) {
	var page = SplitLink(link).path;
	var k = page.indexOf("/Modules/");
	return k == -1 ? FileHref(page) : moduleTarget + EncodePath(page.substring(k + 9));
}

// Undoes the form encoding of the query: "+" is a blank, %XX a byte, the
// bytes read in the page's own character set (the one the form encodes
// with), and the references the form writes for characters that set lacks
// ("&#8364;") become those characters.  Text with a broken escape, such as a
// lone "%", is taken as it stands.
function DecodeQuery(text) {
	if (/%(?![0-9A-Fa-f]{2})/.test(text)) return text;
	text = text.replace(/\+/g, " ");
	if (text.indexOf("%") == -1) return text;
	text = text.replace(/(%[0-9A-Fa-f]{2})+/g, function (run) {
		var bytes = new Array();
		for (var k = 0; k < run.length; k += 3) bytes[bytes.length] = parseInt(run.substr(k + 1, 2), 16);
		try {
			return new TextDecoder(document.characterSet).decode(new Uint8Array(bytes));
		} catch (e) {
			return String.fromCharCode.apply(null, bytes);
		}
	});
	return text.replace(/&#([0-9]{1,7});/g, function (ref, code) {
		code = parseInt(code, 10);
		return code > 0 && code <= 0x10ffff && (code < 0xd800 || code > 0xdfff) ? String.fromCodePoint(code) : ref;
	});
}

// A text field value as the form itself encodes it, for the address bar:
// DecodeQuery gives the same text back.
function EncodeQuery(text) {
	var out = "";
	for (var k = 0; k < text.length; k++) {
		var ch = text.charAt(k), c = text.charCodeAt(k);
		if (/[A-Za-z0-9*._-]/.test(ch)) out += ch;
		else if (c == 32) out += "+";
		else if (ByteOf(c) >= 0) out += Hex(ByteOf(c));
		else {
			var code = text.codePointAt(k);
			if (code > 0xffff) k++;
			out += "%26%23" + code + "%3B";
		}
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
	// "?go=Name" asks to open that command's page at once.
	return { search: true, text: coman, go: indice.substring(0, 3) == "go=" };
}

// ---- Finding ---------------------------------------------------------------

// A search text as typed: a star at the end asks for names starting with the
// rest, a star in front for names ending with it (both: the end counts), a
// star inside for any run of characters.  The pattern holds the pieces
// between the stars, upper-cased.
function Pattern(typed) {
	// "module:text": only commands whose module contains "module".  (A
	// command's name never holds a colon: the lists cut it there.)
	var colon = typed.indexOf(":"), scope = null, text = typed, mode = 0;
	if (colon != -1) {
		scope = typed.substring(0, colon).replace(/^\s+|\s+$/g, "").toUpperCase();
		text = typed.substring(colon + 1);
	}
	if (text.charAt(text.length - 1) == "*") {
		mode = 1;
		text = text.substring(0, text.length - 1);
	}
	if (text.charAt(0) == "*") {
		mode = 2;
		text = text.substring(1);
	}
	var pieces = text.toUpperCase().split("*").filter(function (p) { return p != ""; });
	return {
		kind: "search", typed: typed, text: text, pieces: pieces, start: mode == 1, end: mode == 2,
		// Names with the typed case first: only for a text without stars.
		cased: pieces.length == 1 && text.indexOf("*") == -1 ? text : null,
		none: text.indexOf("\n") != -1,
		scope: scope,
		// Letters that may be a name's capitals in order ("lif": LoadImageFont).
		abbrev: scope == null && mode == 0 && /^[A-Za-z0-9]{2,}$/.test(text) ? text.toUpperCase() : null
	};
}

// A letter group: "A" to "Z" (either case), "0-9", "_", or "OTHER".
function LetterGroup(c) {
	var u = c.toUpperCase();
	if (u >= "A" && u <= "Z" && u.length == 1) return u;
	if (c >= "0" && c <= "9") return "0-9";
	return c == "_" ? "_" : "OTHER";
}

// Where the pattern lies in an upper-cased name, as [start, end), or null.
// Each piece is placed as far left as it goes, which leaves the most room
// for the pieces after it: no backtracking is ever needed.
function MatchName(upper, pat) {
	var pieces = pat.pieces, n = pieces.length;
	if (n == 0) return [0, 0];
	var first = pieces[0], at;
	if (pat.start) at = upper.lastIndexOf(first, 0);
	else if (pat.end && n == 1) at = upper.length - first.length;
	else at = upper.indexOf(first);
	if (at < 0 || upper.substr(at, first.length) != first) return null;
	var pos = at + first.length;
	for (var m = 1; m < n; m++) {
		var piece = pieces[m];
		var p = pat.end && m == n - 1 ? upper.length - piece.length : upper.indexOf(piece, pos);
		if (p < pos || upper.substr(p, piece.length) != piece) return null;
		pos = p + piece.length;
	}
	return [at, pat.end ? upper.length : pos];
}

// Result buffers, made once: a search at a million commands allocates no
// list of its own, so typing does not keep the collector busy.  Each hit is
// stored as index * 2 + 1 when its case matches the typed text.
var groupBuffers = null;

function Groups() {
	if (groupBuffers == null || groupBuffers[0].length < total) {
		groupBuffers = [new Int32Array(total), new Int32Array(total), new Int32Array(total), new Int32Array(total)];
	}
	return groupBuffers;
}

// Looks through rows [from, part.count) of a part for the pattern and files
// each hit in its group: 0 the whole name, 1 the start of it, 2 elsewhere.
function FindInPart(part, pat, from, groups, counts) {
	var pieces = pat.pieces, n = pieces.length;
	var hay = part.upper, starts = part.upperAt, base = part.base, count = part.count;
	if (pat.none || from >= count) return;
	if (pat.scope != null) return FindInScope(part, pat, from, groups, counts);
	var needle = (pat.start ? "\n" : "") + pieces[0] + (pat.end && n == 1 ? "\n" : "");
	var lead = pat.start ? 1 : 0;
	// The next place of each later piece, kept while the look moves on, so
	// that no stretch of the text is looked through twice for one piece.
	var seenFrom = [], seenAt = [];
	var i = from, p, pos = starts[from] - lead;
	while (i < count && (p = hay.indexOf(needle, pos)) != -1) {
		var q = p + lead;
		while (starts[i + 1] <= q) i++;
		if (i >= count) break;
		var nameEnd = starts[i + 1] - 1, end = q + pieces[0].length, ok = true;
		for (var m = 1; m < n && ok; m++) {
			var piece = pieces[m], r;
			if (pat.end && m == n - 1) {
				r = nameEnd - piece.length;
				ok = r >= end && hay.startsWith(piece, r);
			} else {
				if (seenFrom[m] !== undefined && seenFrom[m] <= end && (seenAt[m] >= end || seenAt[m] == -1)) r = seenAt[m];
				else {
					r = hay.indexOf(piece, end);
					seenFrom[m] = end;
					seenAt[m] = r;
				}
				ok = r != -1 && r + piece.length <= nameEnd;
			}
			if (ok) end = r + piece.length;
		}
		if (ok) {
			var at = q - starts[i];
			if (pat.end) end = nameEnd;
			var g = at > 0 ? 2 : end == nameEnd ? 0 : 1;
			// Names that differ only in case: the one typed comes first.
			var flag = g == 0 && pat.cased != null && Value(part.names, part.nameAt, i) == pat.cased ? 1 : 0;
			groups[g][counts[g]++] = (base + i) * 2 + flag;
		}
		pos = starts[i + 1] - lead;
		i++;
	}
}

// A search within the modules whose names contain the scope: the rows of
// those modules, found with one look through the part's modules, are each
// matched on their own.
function FindInScope(part, pat, from, groups, counts) {
	if (part.moduleUpper == null) {
		part.moduleUpper = part.modules.toUpperCase();
		part.moduleUpperAt = LineStarts(part.moduleUpper, part.count);
	}
	var hay = part.moduleUpper, starts = part.moduleUpperAt, j = from, p, pos = starts[from];
	while (j < part.count && (p = hay.indexOf(pat.scope, pos)) != -1) {
		while (starts[j + 1] <= p) j++;
		if (j >= part.count) break;
		var name = Value(part.names, part.nameAt, j), upper = name.toUpperCase();
		var match = MatchName(upper, pat);
		if (match) {
			var g = match[0] > 0 ? 2 : match[1] == upper.length ? 0 : 1;
			var flag = g == 0 && pat.cased != null && name == pat.cased ? 1 : 0;
			groups[g][counts[g]++] = (part.base + j) * 2 + flag;
		}
		pos = starts[j + 1];
		j++;
	}
}

// A name's capitals: its first character and every capital letter that
// starts a word (after a small letter, a digit or an underscore), and a
// letter after an underscore: LoadImageFont gives LIF, BUTTON_CANCEL BC.
function Capitals(name) {
	var caps = name.charAt(0).toUpperCase();
	for (var k = 1; k < name.length; k++) {
		var c = name.charAt(k), before = name.charAt(k - 1);
		var capital = c >= "A" && c <= "Z" && !(before >= "A" && before <= "Z");
		if (capital || (before == "_" && c != "_")) caps += c.toUpperCase();
	}
	return caps;
}

// The fourth group: names whose capitals hold the typed letters in order
// and that do not contain the text itself (those are in the other groups).
function AbbreviationsInPart(part, pat, from, groups, counts) {
	if (part.caps == null) {
		var caps = new Array(part.count);
		for (var j = 0; j < part.count; j++) caps[j] = Capitals(Value(part.names, part.nameAt, j));
		part.caps = "\n" + caps.join("\n") + "\n";
		part.capsAt = LineStarts(part.caps, part.count);
	}
	var t = pat.abbrev, text = part.caps, at = part.capsAt, hay = part.upper, starts = part.upperAt;
	var next = -2;  // where the text next occurs in the names, looked up as needed
	for (var j = from; j < part.count; j++) {
		var k = 0, end = at[j + 1] - 1;
		if (end - at[j] < t.length) continue;
		for (var c = at[j]; c < end && k < t.length; c++) if (text.charCodeAt(c) == t.charCodeAt(k)) k++;
		if (k < t.length) continue;
		if (next != -1 && next < starts[j]) next = hay.indexOf(t, starts[j]);
		if (next != -1 && next < starts[j + 1]) continue;
		groups[3][counts[3]++] = (part.base + j) * 2;
	}
}

// The commands of a letter group in rows [from, part.count) of a part.
function LetterInPart(part, letter, from, groups, counts) {
	for (var j = from; j < part.count; j++) {
		var c = part.names.charAt(part.nameAt[j]);
		if (part.nameAt[j + 1] - 1 > part.nameAt[j] && LetterGroup(c) == letter) groups[0][counts[0]++] = (part.base + j) * 2;
	}
}

// Two lists, used in turn: the result shown and the one that replaces it.
var listBuffers = [null, null], lastList = 0;

function ListBuffer() {
	lastList ^= 1;
	if (listBuffers[lastList] == null || listBuffers[lastList].length < total) listBuffers[lastList] = new Int32Array(total);
	return listBuffers[lastList];
}

// Looks through the rows of the loaded parts that the result has not seen
// yet and appends their hits to its list, ranked among themselves.
function Extend(result) {
	var groups = Groups(), counts = [0, 0, 0, 0];
	for (var k = 0; k < parts.length; k++) {
		var part = parts[k];
		if (!part) continue;
		var from = result.seen[k] || 0;
		if (from >= part.count) continue;
		if (result.kind == "letter") LetterInPart(part, result.letter, from, groups, counts);
		else {
			FindInPart(part, result, from, groups, counts);
			if (result.abbrev != null) AbbreviationsInPart(part, result, from, groups, counts);
		}
		result.seen[k] = part.count;
	}
	var list = result.list, at = result.n;
	for (var g = 0; g < 4; g++) {
		for (var flag = 1; flag >= 0; flag--) {
			var hits = groups[g];
			for (var h = 0, c = counts[g]; h < c; h++) if ((hits[h] & 1) == flag) list[at++] = hits[h] >> 1;
		}
	}
	result.n = at;
	result.exact = (result.exact || 0) + counts[0];
	result.searched = CommandsIn();
}

// The result of a query on what has loaded: {kind, n, list, ...}.  "all"
// has no list: it shows rows in list order.
function Find(q) {
	var result;
	if (q.search) {
		result = Pattern(q.text);
		if (result.pieces.length == 0 && !result.none && result.scope == null) {
			return { kind: "all", n: total, list: null, typed: q.text };
		}
	} else {
		if (q.letter == "") return { kind: "all", n: total, list: null };
		result = { kind: "letter", letter: q.letter };
	}
	result.n = 0;
	result.seen = [];
	result.list = ListBuffer();
	Extend(result);
	return result;
}

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

// The name with the matched text marked.
function MarkedName(name) {
	if (current.kind != "search") return EscapeHtml(name);
	var upper = name.toUpperCase();
	if (upper.length != name.length) return EscapeHtml(name);
	var match = MatchName(upper, current);
	if (!match || match[1] == match[0]) return EscapeHtml(name);
	return EscapeHtml(name.substring(0, match[0])) + "<mark>" + EscapeHtml(name.substring(match[0], match[1])) +
		"</mark>" + EscapeHtml(name.substring(match[1]));
}

// One result row, an option of the listbox.
function Row(i) {
	var part = PartOf(i), j = i - part.base;
	var name = Value(part.names, part.nameAt, j);
	var link = linkStart + Value(part.links, part.linkAt, j);
	var module = Value(part.modules, part.moduleAt, j);
	var html = "<div class='hit' role='option' aria-selected='false' id='hit" + i + "'><a class='cmd' href='" +
		EscapeHtml(FileHref(link)) + "'" + (name.length > 80 ? " title='" + EscapeHtml(name) + "'" : "") + ">" +
		MarkedName(name) + "</a>";
	if (module != "") {
		html += " <a class='mod' tabindex='-1' href='" + EscapeHtml(ModuleHref(link)) + "'>" + EscapeHtml(module) + "</a>";
	}
	return html + "</div>";
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
	if (current.kind == "all" && !current.typed) {
		// The commands page gives the whole number in its own line already.
		var totalLine = document.getElementById("total") != null;
		if (shownRows < current.n) text = "Showing the first " + shownRows + " of " + text;
		else if (totalLine) text = "";
	}
	var searching = current.kind != "all" && current.searched < total;
	if (current.kind == "letter") text += " starting with " + (current.letter == "OTHER" ? "other characters" : current.letter);
	if (current.kind == "search" || (current.typed != null && current.typed != "")) {
		text += " found for \u201c" + current.typed + "\u201d";
	}
	if (searching && pendingLists) text += " so far \u2013 searched " + current.searched + " of " + total + "\u2026";
	else if (searching) text += " in the " + current.searched + " of " + total + " commands that loaded";
	else if (shownRows < current.n && current.kind != "all") text += " \u2013 showing the first " + shownRows + " of " + current.n;
	countBox.textContent = text;
	moreBox.style.display = shownRows < current.n ? "" : "none";
	field.setAttribute("aria-expanded", shownRows > 0 ? "true" : "false");
}

function ShowMore(count) {
	var end = Math.min(Showable(), shownRows + count);
	var html = [];
	for (var k = shownRows; k < end; k++) html[html.length] = Row(current.list ? current.list[k] : k);
	namesBox.insertAdjacentHTML("beforeend", html.join(""));
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
	namesBox.innerHTML = html + "</p>";
}

// Shows a result: the first rows (all of a short letter listing), the count.
function Show(result) {
	current = result;
	shownRows = 0;
	Unselect();
	namesBox.innerHTML = "";
	if (result.n == 0 && result.kind == "search" && result.searched >= total) NoMatch(result.typed);
	ShowMore(result.kind != "search" && result.n <= fullLimit ? result.n : firstRows);
}

// ---- Typing, keys and history ----------------------------------------------

var baseQuery = "";
var shownQuery = null;

// Shows what a parsed query asks for; the field shows its text unless
// `keepField` (the user is typing in it).
function Apply(q, keepField) {
	shownQuery = q;
	if (!keepField) field.value = q.search ? q.text : "";
	Show(Find(q));
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

// The result rows of every group, in the order shown.
function Options() {
	return hitsBox.getElementsByClassName("hit");
}

function Unselect() {
	selected = -1;
	field.removeAttribute("aria-activedescendant");
}

function Select(k) {
	var rows = Options();
	if (k >= rows.length && shownRows < Showable()) {
		ShowMore(moreRows);
		rows = Options();
	}
	if (rows.length == 0) return;
	k = Math.max(0, Math.min(k, rows.length - 1));
	if (selected >= 0 && selected < rows.length) {
		rows[selected].className = "hit";
		rows[selected].setAttribute("aria-selected", "false");
	}
	selected = k;
	rows[k].className = "hit sel";
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
			location.href = row.getElementsByTagName("a")[0].href;
		}
	} else if (e.key == "Enter" && target == field && current.kind == "search" && current.exact == 1 &&
		current.searched >= total && shownRows > 0) {
		// The one command of exactly the typed name opens at once.
		e.preventDefault();
		location.href = Options()[0].getElementsByTagName("a")[0].href;
	} else if (e.key == "Escape" && target == field) {
		e.preventDefault();
		field.value = "";
		OnType();
	}
}

// More rows while the end of the list is within a screen of coming into view.
function FillNear() {
	if (shownRows >= Showable() || moreBox.getBoundingClientRect().top > innerHeight * 2) return;
	ShowMore(moreRows);
	requestAnimationFrame(FillNear);
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
	}
	if (pendingLists > 0) {
		if (current.kind != "all") Extend(current);
		if (shownRows < firstRows) ShowMore(firstRows - shownRows);
		else ShowCount();
		FillNear();
		return;
	}
	Settle(Find(shownQuery));
	FillNear();
	Jump();
}

// A "?go=" address: once the whole list is in, the first command of
// exactly that name opens in this tab's place.
function Jump() {
	if (!shownQuery || !shownQuery.go || current.searched < total || !current.exact) return;
	var i = current.list[0], part = PartOf(i);
	location.replace(FileHref(linkStart + Value(part.links, part.linkAt, i - part.base)));
}

// Shows the result on the whole list.  Where the rows already shown keep
// their places, the result takes them over and only its count changes.
function Settle(final) {
	var before = current;
	var same = final.kind == before.kind && final.n >= shownRows && (final.n > 0 || final.kind != "search");
	for (var x = 0; same && final.list && x < shownRows; x++) same = final.list[x] == before.list[x];
	if (same) {
		current = final;
		if (shownRows < firstRows) ShowMore(firstRows - shownRows);
		else ShowCount();
		return;
	}
	var chosen = selected;
	Show(final);
	if (chosen >= 0) Select(chosen);
}

// The rows files of a large kit: asked for after the first screen is
// painted (or after a moment, where a hidden tab paints nothing).
function LoadLater() {
	if (LoadLater.done) return;
	LoadLater.done = true;
	LoadRows(0, RowsArrived);
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
		if (total > 0) AddPart(0, ColumnText(commands, total), ColumnText(links, total), ColumnText(modules, total));
	} else if (!parts[0]) {
		// first.js's rows stand in for the first rows file until it arrives.
		var first = Math.min(total, firstCommands.commands.length);
		parts[0] = MakePart(0, ColumnText(firstCommands.commands, first),
			ColumnText(firstCommands.links.map(function (l) { return String(l).substring(linkStart.length); }), first),
			ColumnText(firstCommands.modules, first), first);
		parts[0].provisional = true;
	}
	for (var k = 0; k < parts.length; k++) if (parts[k]) NoteInitials(parts[k]);
	document.write("<span class='normale'>" + ShowIndex() + "<span class='normale'>" +
		"<p id='missing' class='missing' role='alert' hidden></p>" +
		"<p id='count' class='count' role='status' aria-live='polite'></p>" +
		"<div id='hits' role='listbox' aria-label='Commands'><div id='names' role='group' aria-label='Command names'></div></div>" +
		"<div id='more'><button type='button' id='showmore'>Show " + moreRows + " more</button></div>" +
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
	var startQuery = ParseQuery(location.search);
	if (!startQuery.search) baseQuery = location.search;
	Apply(startQuery, false);
	Jump();

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
