// Finding commands: the query syntax matched piece by piece, the letter
// groups, and results that grow as rows files arrive.  Part of search.js.

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
		// A text without stars or scope also looks through the arguments.
		plain: scope == null && mode == 0 && pieces.length == 1 && text.indexOf("*") == -1,
		abbrev: scope == null && mode == 0 && /^[A-Za-z0-9]{2,8}$/.test(text) ? text.toUpperCase() : null
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
		groupBuffers = [];
		for (var g = 0; g < 5; g++) groupBuffers[g] = new Int32Array(total);
	}
	return groupBuffers;
}

// Looks through rows [from, part.count) of a part for the pattern and files
// each hit in its group: 0 the whole name, 1 the start of it, 2 elsewhere.
function FindInPart(part, pat, from, groups, counts) {
	var pieces = pat.pieces, n = pieces.length;
	var hay = part.upper, starts = part.upperAt, base = part.base, count = part.count;
	if (pat.none || from >= count || !PartHolds(part, pieces)) return;
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
		var nameEnd = starts[i + 1] - 1, end = q + pieces[0].length, ok = true, next = 0;
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
				// Not in this name: no name before the one where the piece
				// comes next can match either.
				if (!ok) next = r;
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
		if (next == -1) break;
		if (next > 0) {
			while (starts[i + 1] <= next) i++;
			pos = starts[i] - lead;
			continue;
		}
		pos = starts[i + 1] - lead;
		i++;
	}
}

// Whether the names of a part hold every character of the pieces: a text
// with a character no name has (a blank, where names have none) is looked
// for in no name, rather than through all of them.  Each character is
// looked up once per part.
function PartHolds(part, pieces) {
	var has = part.has || (part.has = {});
	for (var m = 0; m < pieces.length; m++) {
		for (var k = 0; k < pieces[m].length; k++) {
			var c = pieces[m].charAt(k);
			if (has[c] === undefined) has[c] = part.upper.indexOf(c) != -1;
			if (!has[c]) return false;
		}
	}
	return true;
}

// A search within the modules whose names contain the scope: the rows of
// those modules are each matched on their own.
function FindInScope(part, pat, from, groups, counts) {
	var next = function (j) { return NextRowHolding(part, "modules", pat.scope, pat, j); };
	for (var j = next(from); j >= 0; j = next(j + 1)) {
		var name = Value(part.names, part.nameAt, j), upper = name.toUpperCase();
		var match = MatchName(upper, pat);
		if (match) {
			var g = match[0] > 0 ? 2 : match[1] == upper.length ? 0 : 1;
			var flag = g == 0 && pat.cased != null && name == pat.cased ? 1 : 0;
			groups[g][counts[g]++] = (part.base + j) * 2 + flag;
		}
	}
}

// The capitals of every name of a names text ("\nV0\nV1\n...\n"), as a text
// of the same form.  A name's capitals are its first character and every
// capital letter that starts a word (after a small letter, a digit or an
// underscore), and a letter after an underscore, all upper-cased:
// LoadImageFont gives LIF, BUTTON_CANCEL BC.  Made once per part in one pass
// over the text, so that no search has to work them out name by name.
function CapitalsText(names) {
	var buf = new Uint16Array(names.length + 1), n = 0, first = true, before = 10;
	buf[n++] = 10;
	for (var k = 1; k < names.length; k++) {
		var c = names.charCodeAt(k);
		if (c == 10) {
			buf[n++] = 10;
			first = true;
			before = c;
			continue;
		}
		var keep = first || (c >= 65 && c <= 90 ? !(before >= 65 && before <= 90) : before == 95 && c != 95);
		first = false;
		before = c;
		if (!keep) continue;
		if (c >= 97 && c <= 122) buf[n++] = c - 32;
		else if (c < 128) buf[n++] = c;
		else {
			// Upper-casing may give more than one character (a sharp s gives
			// "SS"): the buffer grows so that the rest still fits.
			var u = names.charAt(k).toUpperCase();
			if (n + u.length + names.length - k > buf.length) {
				var bigger = new Uint16Array(buf.length * 2 + u.length);
				bigger.set(buf);
				buf = bigger;
			}
			for (var x = 0; x < u.length; x++) buf[n++] = u.charCodeAt(x);
		}
	}
	var out = "";
	for (var s = 0; s < n; s += 8192) out += String.fromCharCode.apply(null, buf.subarray(s, Math.min(n, s + 8192)));
	return out;
}

// The fourth group: names whose capitals hold the typed letters in order
// and that do not contain the text itself (those are in the other groups).
// Only the capitals that hold the first letter (found with indexOf) are
// looked at, each from there on.
function AbbreviationsInPart(part, pat, from, groups, counts) {
	PartCapitals(part);
	var t = pat.abbrev, caps = part.caps, at = part.capsAt, hay = part.upper, starts = part.upperAt;
	var first = t.charAt(0), j = from, p, pos = at[from];
	var next = -2;  // where the text next occurs in the names, looked up as needed
	while (j < part.count && (p = caps.indexOf(first, pos)) != -1) {
		while (at[j + 1] <= p) j++;
		if (j >= part.count) break;
		if (CapitalsHoldFrom(caps, t, p, at[j + 1] - 1)) {
			if (next != -1 && next < starts[j]) next = hay.indexOf(t, starts[j]);
			if (next == -1 || next >= starts[j + 1]) groups[3][counts[3]++] = (part.base + j) * 2;
		}
		pos = at[j + 1];
		j++;
	}
}

// Whether `caps` holds the letters of `t` in order from `p` (where its first
// letter is) up to `end`.
function CapitalsHoldFrom(caps, t, p, end) {
	if (end - p < t.length) return false;
	var k = 1;
	for (var c = p + 1; c < end && k < t.length; c++) if (caps.charCodeAt(c) == t.charCodeAt(k)) k++;
	return k == t.length;
}

// Whether the capitals of row j of a part hold the letters of `t` in order.
function CapitalsHold(part, t, j) {
	PartCapitals(part);
	var caps = part.caps, end = part.capsAt[j + 1] - 1, first = t.charCodeAt(0);
	for (var c = part.capsAt[j]; c < end; c++) if (caps.charCodeAt(c) == first) return CapitalsHoldFrom(caps, t, c, end);
	return false;
}

// The fifth group: commands whose arguments contain the text and whose
// names are in no other group, so that a name always ranks first.
function ArgumentsInPart(part, pat, from, groups, counts) {
	if (pat.none || from >= part.count) return;
	var t = pat.pieces[0];
	var next = function (j) { return NextRowHolding(part, "args", t, pat, j); };
	for (var j = next(from); j >= 0; j = next(j + 1)) {
		if (part.upper.substring(part.upperAt[j], part.upperAt[j + 1] - 1).indexOf(t) == -1 &&
			!(pat.abbrev != null && CapitalsHold(part, pat.abbrev, j))) {
			groups[4][counts[4]++] = (part.base + j) * 2;
		}
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

// A search of a large kit looks through its rows in slices of about this
// many milliseconds, so that no query holds the page up for long; the first
// slice, in the keystroke's own task, is shorter, so that the first rows
// found are painted at once (the rest of the search follows; see Continue).
var sliceMillis = 20;
var firstSliceMillis = 8;

// The result that owns the group buffers: only the latest search fills them.
var groupsOwner = null;

// Looks through the rows of the loaded parts that the result has not seen
// yet, filing their hits in the result's groups, until the slice of time is
// used up.  True when every loaded row has been seen.  With `enough`, the
// slice ends too once the parts holding the names of the text's initial are
// seen and hold at least that many names that are or start with the text:
// those rank first, so the first `enough` rows are then final (the rest of
// the search follows after they are painted).
function Scan(result, millis, enough) {
	var groups = Groups(), counts = result.counts, start = Date.now(), order = result.order;
	groupsOwner = result;
	for (var o = 0, n = order ? order.length : parts.length; o < n; o++) {
		var k = order ? order[o] : o, part = parts[k];
		if (!part) continue;
		var from = result.seen[k] || 0;
		if (from >= part.count) continue;
		if (Date.now() - start > millis) return false;
		if (enough && order && o >= order.wanted && order.wanted > 0 && counts[0] + counts[1] >= enough) return false;
		var countsBefore = counts.slice(), hitsBefore = counts[0] + counts[1] + counts[2] + counts[3] + counts[4];
		if (result.kind == "letter") LetterInPart(part, result.letter, from, groups, counts);
		else {
			FindInPart(part, result, from, groups, counts);
			if (result.abbrev != null) AbbreviationsInPart(part, result, from, groups, counts);
			if (result.plain) ArgumentsInPart(part, result, from, groups, counts);
		}
		// Hits of a part before one that gave hits already (the rows files
		// need not arrive in order, and a search looks first where its best
		// matches lie): the groups are out of list order.  Where each part's
		// hits lie in them is noted, to put them in order at the end.
		if (counts[0] + counts[1] + counts[2] + counts[3] + counts[4] > hitsBefore) {
			if (k < result.lastHitPart) result.unordered = true;
			result.lastHitPart = Math.max(result.lastHitPart, k);
			result.segments.push({ part: k, from: countsBefore, to: counts.slice() });
		}
		result.seen[k] = part.count;
		result.searched += part.count - from;
	}
	return true;
}

// Writes the hits filed since `before` (counts per group) to the result's
// list after its rows so far, ranked among themselves: rows already there
// keep their places.  From no counts at all, the whole list in its order.
function Append(result, before) {
	var groups = Groups(), list = result.list, at = result.n;
	for (var g = 0; g < 5; g++) {
		for (var flag = 1; flag >= 0; flag--) {
			var hits = groups[g];
			for (var h = before[g], c = result.counts[g]; h < c; h++) if ((hits[h] & 1) == flag) list[at++] = hits[h] >> 1;
		}
	}
	result.n = at;
	result.exact = result.counts[0];
}

// The result's whole list in its final order, in a list of its own (the
// shown one stays as it is, to be compared).
function FinalList(result) {
	var list = ListBuffer();
	if (!result.unordered) {
		Append({ list: list, n: 0, counts: result.counts }, [0, 0, 0, 0, 0]);
		return list;
	}
	// Each part's hits are in list order: the parts in list order (a part
	// seen in two steps keeps its steps in order) give every group in order.
	var groups = Groups(), segments = result.segments.slice(), at = 0;
	segments.sort(function (a, b) { return a.part - b.part; });
	for (var g = 0; g < 5; g++) {
		var hits = groups[g];
		for (var flag = 1; flag >= 0; flag--) {
			for (var s = 0; s < segments.length; s++) {
				for (var h = segments[s].from[g], e = segments[s].to[g]; h < e; h++) if ((hits[h] & 1) == flag) list[at++] = hits[h] >> 1;
			}
		}
	}
	return list;
}

// A plain text that lengthens the plain text of the result shown (the
// next keystroke of a word) finds no command that result did not find: a
// name, capitals or arguments that hold the longer text hold the shorter
// (and a name's capitals are letters of the name: a one-letter text, which
// looks for no abbreviations, finds every name that two letters abbreviate).
// Where that result has seen every command and found few, only its rows
// are looked at again, not the names of every command (indexOf over the
// names of 274,000 commands took 4 to 8 ms of a keystroke for a word few
// names hold).  Above narrowLimit rows, matching row by row costs more.
var narrowLimit = 4000;

function Narrows(shown, pat) {
	if (!shown || shown.kind != "search" || !shown.plain || !pat.plain || shown.none || pat.none) return false;
	if (!shown.done || pendingLists > 0 || shown.searched != total || shown.n > narrowLimit) return false;
	return pat.pieces[0].length > shown.pieces[0].length && pat.pieces[0].lastIndexOf(shown.pieces[0], 0) == 0;
}

// Files the hits among `rows` (of the result shown, in list order) in the
// result's groups as Scan files them from every row: each row in the first
// group that takes it, the rows of a group in list order.
function Narrow(rows, searched, result) {
	var groups = Groups(), counts = result.counts, t = result.pieces[0], abbrev = result.abbrev;
	groupsOwner = result;
	for (var x = 0; x < rows.length; x++) {
		var i = rows[x], part = PartOf(i), j = i - part.base, starts = part.upperAt;
		var upper = part.upper.substring(starts[j], starts[j + 1] - 1), at = upper.indexOf(t), g = -1, flag = 0;
		if (at >= 0) {
			g = at > 0 ? 2 : t.length == upper.length ? 0 : 1;
			if (g == 0 && result.cased != null && Value(part.names, part.nameAt, j) == result.cased) flag = 1;
		} else if (abbrev != null && CapitalsHold(part, abbrev, j)) {
			g = 3;
		} else if (ArgsOf(part, j).toUpperCase().indexOf(t) != -1) {
			g = 4;
		}
		if (g >= 0) groups[g][counts[g]++] = i * 2 + flag;
	}
	for (var k = 0; k < parts.length; k++) if (parts[k]) result.seen[k] = parts[k].count;
	result.searched = searched;
	result.done = true;
	Append(result, [0, 0, 0, 0, 0]);
}

// The result of a query on what has loaded: {kind, n, list, ...}; `done`
// when it has seen every loaded row (a large kit's search may take more
// slices: see Scan; its first slice may end once it has the first `rows`
// rows of the end result).  "all" has no list: it shows rows in list order.
// `shown`, the result shown before (or null), may narrow the search.
function Find(q, rows, shown) {
	var result;
	if (q.search) {
		result = Pattern(q.text);
		if (result.pieces.length == 0 && !result.none && result.scope == null) {
			return { kind: "all", n: total, list: null, typed: q.text, done: true };
		}
	} else {
		if (q.letter == "") return { kind: "all", n: total, list: null, done: true };
		result = { kind: "letter", letter: q.letter };
	}
	result.n = 0;
	result.seen = [];
	result.searched = 0;
	result.counts = [0, 0, 0, 0, 0];
	result.lastHitPart = -1;
	result.unordered = false;
	result.segments = [];
	if (q.search && Narrows(shown, result)) {
		// (the rows taken before the list buffers turn)
		var hits = shown.list.slice(0, shown.n).sort();
		result.order = null;
		result.list = ListBuffer();
		Narrow(hits, shown.searched, result);
		return result;
	}
	// A large kit's search looks first through the parts holding names of
	// the initial its best matches start with, so that its first slice finds
	// the rows that come first in the end.
	result.order = largeKit && q.search ? RowsOrder(q) : null;
	result.list = ListBuffer();
	result.done = Scan(result, largeKit ? firstSliceMillis : Infinity, rows);
	Append(result, [0, 0, 0, 0, 0]);
	// A search done in its first slice takes its final order now: Settle,
	// which orders the others, follows only a search that goes on.
	if (result.done && result.unordered) result.list = FinalList(result);
	return result;
}
