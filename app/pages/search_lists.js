// Letter index and search of the two search pages, and the loading of the
// lists.  The build joins this file, search_links.js, search_match.js,
// search_text.js and search_page.js into the one installed script, search.js.
// A page sets listFolder (where the lists lie), homeTarget, upTarget (the way
// up to the top of the documentation), letterTarget and moduleTarget, loads
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
// after another (LoadRows, below): each holds the names, links and modules of
// rowsPerFile commands as three texts, which the browser parses and keeps at
// far less cost than a million separate strings.  Searches run on what has
// arrived and grow as the rest comes in.
var largeKit = typeof firstCommands != "undefined" && firstCommands.rowFiles > 0;
// Each build writes its lists into a folder of its own, which first.js names.
var listFiles = listFolder + (typeof firstCommands != "undefined" && firstCommands.folder || "");
var pendingLists = largeKit ? firstCommands.rowFiles : 0;
var total = largeKit ? firstCommands.total : 0;
var missingFiles = [];

if (!largeKit) {
	document.write("<script type='text/javascript' src='" + listFiles + "command.js'><\/script>" +
		"<script type='text/javascript' src='" + listFiles + "links.js'><\/script>" +
		"<script type='text/javascript' src='" + listFiles + "modules.js'><\/script>");
}

// The name of rows file k.
function RowsFile(k) {
	return listFiles + "rows" + k + ".js";
}

// The order in which a query wants the rows files: first those holding
// names of the initial its first matches start with (first.js gives each
// file's initials), then the rest; all in list order where it cannot tell.
function RowsOrder(q) {
	var wanted = [], rest = [], c = null;
	if (q.search && typeof firstCommands.heads == "object") {
		var pat = Pattern(q.text);
		if (pat.scope == null && !pat.end && pat.pieces.length > 0) c = pat.pieces[0].charAt(0);
	}
	for (var k = 0; k < firstCommands.rowFiles; k++) {
		var heads = c == null ? "" : String(firstCommands.heads[k] || ""), hit = false;
		for (var h = 0; h < heads.length && !hit; h++) hit = heads.charAt(h).toUpperCase().charAt(0) == c;
		(hit ? wanted : rest).push(k);
	}
	return wanted.concat(rest);
}

// Loads the rows files in `order`, rowsAtOnce at a time, each arriving and running
// in a task of its own (with more than one at a time, in whatever order
// they come).  `arrived(k, ok)` follows each.  Three at a time measured no
// faster than one after another on a two-core machine.
var rowsAtOnce = 1;

function LoadRows(order, arrived) {
	var next = 0, running = 0;
	function Start() {
		while (running < rowsAtOnce && next < order.length) {
			var j = order[next++];
			if (parts[j] && !parts[j].provisional) {
				arrived(j, true);
				continue;
			}
			running++;
			var script = document.createElement("script");
			script.src = RowsFile(j);
			script.onload = script.onerror = Done(j);
			document.body.appendChild(script);
		}
	}
	function Done(j) {
		return function () {
			running--;
			arrived(j, !!(parts[j] && !parts[j].provisional));
			Start();
		};
	}
	Start();
}

// The rows, in parts of partSize commands.  A part keeps its names as texts
// "\nV0\nV1\n...\n", row j's from nameAt[j] up to nameAt[j + 1] - 1: the
// names as written and upper-cased (what searches look through).  Its
// links, modules and arguments are numbers into the tables below.
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

// ---- Values many rows share ------------------------------------------------

// The commands of a page share its address, those of a module its name, and
// many commands the same arguments: a kit of 274,458 commands on 50,000
// pages has about 50,000 pages and modules and a handful of argument lists.
// Kept as every part's own texts they took 33 of the 42 MB the lists held;
// each value is kept once instead, in a table, and each row holds its
// number.  A table's values are texts of the same form as a part's, one
// more for each part that brings new values (text k's first value is
// number first[k]), numbered on from the last.
function ValueTable() {
	return { texts: [], textOf: new Int32Array(256), at: new Int32Array(256), n: 0, first: [], known: new Map(), upper: [] };
}

var pageTable = ValueTable(), moduleTable = ValueTable(), argsTable = ValueTable();

// Value `id` of a table.
function TableValue(table, id) {
	var text = table.texts[table.textOf[id]], at = table.at[id];
	return text.slice(at, text.indexOf("\n", at));
}

// Each value's number, while parts come in; let go of once all are in
// (ForgetKnown) and made again from the texts should another part come.
function Known(table) {
	if (table.known == null) {
		table.known = new Map();
		for (var k = 0, id = 0; k < table.texts.length; k++) {
			var values = table.texts[k].split("\n");
			for (var v = 1; v < values.length - 1; v++) table.known.set(values[v], id++);
		}
	}
	return table.known;
}

function ForgetKnown() {
	pageTable.known = moduleTable.known = argsTable.known = null;
}

// The numbers of `count` values, `valueOf(j)` the j-th, in a table: values
// it lacks are added as one text of their own.  That text is a copy: the
// table holds nothing of the part's texts, so they can go once read.
function Intern(table, count, valueOf) {
	var known = Known(table), fresh = new Map(), added = [], refs = new Int32Array(count);
	for (var j = 0; j < count; j++) {
		var value = valueOf(j), id = known.get(value);
		if (id === undefined) id = fresh.get(value);
		if (id === undefined) {
			id = table.n + added.length;
			fresh.set(value, id);
			added.push(value);
		}
		refs[j] = id;
	}
	if (added.length == 0) return refs;
	var n = table.n + added.length, k = table.texts.length;
	if (n > table.at.length) {
		var size = Math.max(n, table.at.length * 2), textOf = new Int32Array(size), at = new Int32Array(size);
		textOf.set(table.textOf);
		at.set(table.at);
		table.textOf = textOf;
		table.at = at;
	}
	var text = "\n" + added.join("\n") + "\n", values = text.split("\n"), p = 1;
	for (var a = 0; a < added.length; a++) {
		table.textOf[table.n + a] = k;
		table.at[table.n + a] = p;
		p += added[a].length + 1;
		known.set(values[a + 1], table.n + a);
	}
	table.texts.push(text);
	table.first.push(table.n);
	table.n = n;
	return refs;
}

// The values of a table holding an upper-cased text, as flags by number,
// and whether any does: `found` ({flags, any, texts}, or null at first)
// grows to take in the values added since it was made.
function ValuesHolding(table, t, found) {
	if (found == null) found = { flags: new Uint8Array(0), any: false, texts: 0 };
	if (found.texts == table.texts.length) return found;
	if (found.flags.length < table.n) {
		var flags = new Uint8Array(table.n);
		flags.set(found.flags);
		found.flags = flags;
	}
	for (var k = found.texts; k < table.texts.length; k++) {
		var first = table.first[k], count = (k + 1 < table.texts.length ? table.first[k + 1] : table.n) - first;
		if (table.upper[k] == null) {
			var upper = table.texts[k].toUpperCase();
			table.upper[k] = { text: upper, at: LineStarts(upper, count) };
		}
		var hay = table.upper[k].text, starts = table.upper[k].at, j = 0, p, pos = 1;
		while (j < count && (p = hay.indexOf(t, pos)) != -1) {
			while (starts[j + 1] <= p) j++;
			if (j >= count) break;
			if (p + t.length < starts[j + 1]) {
				found.flags[first + j] = 1;
				found.any = true;
			}
			pos = starts[j + 1];
			j++;
		}
	}
	found.texts = table.texts.length;
	return found;
}

// The link of row j of a part (without linkStart), its module and its
// arguments ("" where it has none).
function LinkOf(part, j) {
	var ref = part.linkRef[j], page = TableValue(pageTable, ref >> 1);
	return ref & 1 ? page + "#" + Value(part.names, part.nameAt, j) : page;
}

function ModuleOf(part, j) {
	return TableValue(moduleTable, part.moduleRef[j]);
}

function ArgsOf(part, j) {
	return TableValue(argsTable, part.argsRef[j]);
}

// The numbers of a part's links: a link whose anchor is the command's own
// name is kept as the page before it (shared by the commands of the page)
// and a flag, any other whole.
function LinkRefs(names, nameAt, links, count) {
	var linkAt = LineStarts(links, count), named = new Uint8Array(count);
	var refs = Intern(pageTable, count, function (j) {
		var start = linkAt[j], end = linkAt[j + 1] - 1, name = nameAt[j], n = nameAt[j + 1] - 1 - name;
		if (n > 0 && end - start > n && links.charCodeAt(end - n - 1) == 35) {
			var same = true;
			for (var c = 0; c < n && same; c++) same = links.charCodeAt(end - n + c) == names.charCodeAt(name + c);
			if (same) {
				named[j] = 1;
				end -= n + 1;
			}
		}
		return links.slice(start, end);
	});
	for (var j = 0; j < count; j++) refs[j] = refs[j] * 2 + named[j];
	return refs;
}

// The numbers of a column's values in a table.
function ColumnRefs(table, text, count) {
	var at = LineStarts(text, count);
	return Intern(table, count, function (j) { return text.slice(at[j], at[j + 1] - 1); });
}

// Part k from its four texts; `count` is less than a full part only for the
// first rows of first.js, which stand in for part 0 until it arrives.
function MakePart(k, names, links, modules, args, count) {
	var base = k * partSize;
	var upper = names.toUpperCase();
	var nameAt = LineStarts(names, count);
	// Rows files of an older build carry no arguments.
	if (args == null) args = ColumnText([], count);
	return {
		base: base, count: count, names: names, nameAt: nameAt, upper: upper,
		// Upper-casing only ever lengthens a name (a sharp s gives "SS").
		upperAt: upper.length == names.length ? nameAt : LineStarts(upper, count),
		// The capitals of each name, for abbreviations: see PartCapitals.
		caps: null, capsAt: null,
		linkRef: LinkRefs(names, nameAt, links, count), moduleRef: ColumnRefs(moduleTable, modules, count),
		argsRef: ColumnRefs(argsTable, args, count)
	};
}

function AddPart(k, names, links, modules, args) {
	var count = Math.max(0, Math.min(partSize, total - k * partSize));
	parts[k] = MakePart(k, names, links, modules, args, count);
}

// Called by each rows file.
function LexidorRows(k, names, links, modules, args) {
	if (largeKit) AddPart(k, names, links, modules, args);
}

// Makes the capitals of a part's names (see CapitalsText) if they are not
// made yet.  A large kit makes them as each rows file arrives, after the
// first screen; a small kit on its first search for an abbreviation.
function PartCapitals(part) {
	if (part.caps != null) return;
	part.caps = CapitalsText(part.names);
	part.capsAt = LineStarts(part.caps, part.count);
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
