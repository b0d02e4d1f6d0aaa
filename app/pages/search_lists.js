// Letter index and search of the two search pages, and the loading of the
// lists.  The build joins this file, search_values.js, search_links.js,
// search_match.js, search_text.js and search_page.js into the one installed
// script, search.js.
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
// `wanted` tells how many come first for their initial (every name that
// starts with the text lies in them).
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
	var order = wanted.concat(rest);
	order.wanted = wanted.length;
	return order;
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

// The rows, in parts of partSize commands.  Each of a part's texts is
// "\nV0\nV1\n...\n" with its value j from xAt[j] up to xAt[j + 1] - 1:
// names, the same upper-cased (what searches look through), links, modules,
// arguments ("(file,flags)", or an empty line).  Once compacted, a part
// keeps its links, modules and arguments as numbers into tables of the
// values rows share (search_values.js).
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
		// The part's own texts until it is compacted (search_values.js).
		links: links, linkAt: LineStarts(links, count), modules: modules, moduleAt: LineStarts(modules, count),
		args: args, argsAt: LineStarts(args, count), linkRef: null, moduleRef: null, argsRef: null
	};
}

function AddPart(k, names, links, modules, args) {
	var count = Math.max(0, Math.min(partSize, total - k * partSize));
	parts[k] = MakePart(k, names, links, modules, args, count);
	Compact(parts[k]);
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
