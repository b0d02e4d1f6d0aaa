// Values many rows share: the tables a part's links, modules and arguments
// are kept in once the part is compacted.  Part of search.js.
//
// The commands of a page share its address, those of a module its name, and
// many commands the same arguments: a kit of 274,458 commands on 50,000
// pages has about 50,000 pages and modules and a handful of argument lists.
// Kept as every part's own texts they took most of the 42 MB the lists held
// at that size; each value is kept once instead, in a table, and each row
// holds its number (19 MB in all then).  A table's values are texts of the
// same form as a part's, one more for each part that brings new values
// (text k's first value is number first[k]), numbered on from the last;
// value `id` lies in text textOf[id] from at[id], size[id] characters long.
// A hash of each value (hashes), and the numbers by hash in open addressing
// (slots: number + 1, 0 where free), find a value's number without a string
// made per row.
//
// A part arrives with its own texts and is compacted when the page is idle,
// a few milliseconds at a time, one part after another (see Compact): the
// rows file's own task stays as short as it was.  Until then LinkOf,
// ModuleOf and ArgsOf read the part's texts, and the searches look through
// them as they are.

function ValueTable() {
	var table = { texts: [], first: [], n: 0, upper: [], slots: new Int32Array(1024) };
	GrowTable(table, 256);
	return table;
}

var pageTable = ValueTable(), moduleTable = ValueTable(), argsTable = ValueTable();

function GrowTable(table, size) {
	var fields = ["textOf", "at", "size", "hashes"];
	for (var f = 0; f < fields.length; f++) {
		var grown = new Int32Array(size);
		if (table[fields[f]]) grown.set(table[fields[f]]);
		table[fields[f]] = grown;
	}
}

// Value `id` of a table.
function TableValue(table, id) {
	var at = table.at[id];
	return table.texts[table.textOf[id]].slice(at, at + table.size[id]);
}

function SameText(a, from, b, start, size) {
	for (var c = 0; c < size; c++) {
		if (a.charCodeAt(from + c) != b.charCodeAt(start + c)) return false;
	}
	return true;
}

// The number of the value `text` holds from `start` to `end` in a table.  A
// value it lacks is numbered on from the values `added` already (those of
// the column being compacted, read from `text` until the column is done:
// see AddValues) and added to them.
function InternValue(table, text, start, end, added) {
	var size = end - start, h = 0x811c9dc5 | 0;
	for (var c = start; c < end; c++) h = Math.imul(h ^ text.charCodeAt(c), 16777619);
	var slots = table.slots, mask = slots.length - 1, i = h & mask, slot;
	while ((slot = slots[i]) != 0) {
		var x = slot - 1;
		var kept = x < table.n ? table.texts[table.textOf[x]] : text;
		if (table.hashes[x] == h && table.size[x] == size && SameText(kept, table.at[x], text, start, size)) {
			return x;
		}
		i = (i + 1) & mask;
	}
	var id = table.n + added.length;
	if (id >= table.at.length) GrowTable(table, table.at.length * 2);
	table.at[id] = start;
	table.size[id] = size;
	table.hashes[id] = h;
	slots[i] = id + 1;
	added.push(text.slice(start, end));
	if ((id + 1) * 2 > slots.length) Rehash(table, id + 1);
	return id;
}

// The values a column added, as one text of the table's own: a copy, so
// that the table holds nothing of the part's texts and they can go.
function AddValues(table, added) {
	if (added.length == 0) return;
	for (var a = 0, p = 1; a < added.length; a++) {
		table.textOf[table.n + a] = table.texts.length;
		table.at[table.n + a] = p;
		p += added[a].length + 1;
	}
	table.texts.push("\n" + added.join("\n") + "\n");
	table.first.push(table.n);
	table.n += added.length;
}

// The slots made again, twice as many, for the first `n` values.
function Rehash(table, n) {
	var slots = new Int32Array(table.slots.length * 2), mask = slots.length - 1;
	for (var x = 0; x < n; x++) {
		var i = table.hashes[x] & mask;
		while (slots[i] != 0) i = (i + 1) & mask;
		slots[i] = x + 1;
	}
	table.slots = slots;
}

// The values of a table that hold an upper-cased text, as flags by number,
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
		var first = table.first[k];
		var count = (k + 1 < table.texts.length ? table.first[k + 1] : table.n) - first;
		if (table.upper[k] == null) {
			var upper = table.texts[k].toUpperCase();
			table.upper[k] = { text: upper, at: LineStarts(upper, count) };
		}
		for (var j = NextHolding(table.upper[k].text, table.upper[k].at, count, t, 0); j >= 0;
			j = NextHolding(table.upper[k].text, table.upper[k].at, count, t, j + 1)) {
			found.flags[first + j] = 1;
			found.any = true;
		}
	}
	found.texts = table.texts.length;
	return found;
}

// The first line from j on of an upper-cased text of `count` lines
// (starting at `starts`) that holds t, or -1.
function NextHolding(hay, starts, count, t, j) {
	var p, pos = starts[j];
	while (j < count && (p = hay.indexOf(t, pos)) != -1) {
		while (starts[j + 1] <= p) j++;
		if (j >= count) break;
		if (p + t.length < starts[j + 1]) return j;
		pos = starts[++j];
	}
	return -1;
}

// The first row from j on of a part whose module (column "modules") or
// arguments ("args") hold the upper-cased text t, or -1.  `pat` keeps what
// the tables gave for the search.
function NextRowHolding(part, column, t, pat, j) {
	var refs = column == "modules" ? part.moduleRef : part.argsRef;
	if (refs != null) {
		var key = column + "Holding", table = column == "modules" ? moduleTable : argsTable;
		var found = pat[key] = ValuesHolding(table, t, pat[key]);
		if (!found.any) return -1;
		for (var flags = found.flags; j < part.count; j++) if (flags[refs[j]]) return j;
		return -1;
	}
	// Not compacted yet: the part's own text, upper-cased once.
	var upper = part[column + "Upper"];
	if (upper == null) {
		var text = part[column].toUpperCase();
		upper = part[column + "Upper"] = { text: text, at: LineStarts(text, part.count) };
	}
	return NextHolding(upper.text, upper.at, part.count, t, j);
}

// The link of row j of a part (without linkStart), its module and its
// arguments ("" where it has none).
function LinkOf(part, j) {
	if (part.linkRef == null) return Value(part.links, part.linkAt, j);
	var ref = part.linkRef[j], page = TableValue(pageTable, ref >> 1);
	return ref & 1 ? page + "#" + Value(part.names, part.nameAt, j) : page;
}

function ModuleOf(part, j) {
	if (part.moduleRef == null) return Value(part.modules, part.moduleAt, j);
	return TableValue(moduleTable, part.moduleRef[j]);
}

function ArgsOf(part, j) {
	if (part.argsRef == null) return Value(part.args, part.argsAt, j);
	return TableValue(argsTable, part.argsRef[j]);
}

// ---- Compacting ----------------------------------------------------------------

// Parts waiting to be compacted, the first being compacted now: its
// column (0 links, 1 modules, 2 arguments) and row, the numbers so far and
// the values the column added.
var compacting = [], compactMillis = 5;

function Compact(part) {
	compacting.push({ part: part, column: 0, j: 0, refs: null, named: null, added: null });
	if (compacting.length == 1) CompactLater();
}

// Runs `fn` when the page is idle, or after `timeout` ms at the latest;
// where the browser cannot tell, after `otherwise` ms.
function Idle(fn, timeout, otherwise) {
	if (window.requestIdleCallback) requestIdleCallback(fn, { timeout: timeout });
	else setTimeout(fn, otherwise);
}

function CompactLater() {
	var run = function () {
		if (CompactSome(compactMillis)) CompactLater();
	};
	Idle(run, 500, 10);
}

// Compacts for about `millis` (Infinity: all); true while parts are left.
function CompactSome(millis) {
	var start = Date.now();
	while (compacting.length > 0) {
		var job = compacting[0], part = job.part, count = part.count;
		if (job.refs == null) {
			job.refs = new Int32Array(count);
			job.added = [];
			if (job.column == 0) job.named = new Uint8Array(count);
		}
		var table = [pageTable, moduleTable, argsTable][job.column];
		var text = [part.links, part.modules, part.args][job.column];
		var starts = [part.linkAt, part.moduleAt, part.argsAt][job.column];
		for (; job.j < count; job.j++) {
			if ((job.j & 255) == 0 && Date.now() - start > millis) return true;
			var j = job.j, end = starts[j + 1] - 1;
			if (job.column == 0) {
				// A link whose anchor is the command's own name is kept as
				// the page before it, shared by the commands of the page,
				// and a flag.
				var name = part.nameAt[j], n = part.nameAt[j + 1] - 1 - name;
				if (n > 0 && end - starts[j] > n && text.charCodeAt(end - n - 1) == 35 &&
					SameText(text, end - n, part.names, name, n)) {
					job.named[j] = 1;
					end -= n + 1;
				}
			}
			job.refs[j] = InternValue(table, text, starts[j], end, job.added);
		}
		AddValues(table, job.added);
		if (job.column == 0) {
			for (var r = 0; r < count; r++) job.refs[r] = job.refs[r] * 2 + job.named[r];
		}
		// Numbers that fit in 16 bits are kept in 16.
		if (table.n * 2 <= 65536) job.refs = Uint16Array.from(job.refs);
		if (job.column == 0) {
			part.linkRef = job.refs;
			part.links = part.linkAt = null;
		} else if (job.column == 1) {
			part.moduleRef = job.refs;
			part.modules = part.moduleAt = part.modulesUpper = null;
		} else {
			part.argsRef = job.refs;
			part.args = part.argsAt = part.argsUpper = null;
		}
		job.refs = job.named = job.added = null;
		job.column++;
		job.j = 0;
		if (job.column == 3) compacting.shift();
	}
	return false;
}
