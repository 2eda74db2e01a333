#!/usr/bin/env python3
"""Writes the content-index benchmark corpus: 10,000 .txt files of 2-8 KB from a fixed
seed, half Chinese (about 300 two- and four-character words in Zipf order, unspaced, with
，。！？) and half English (about 350 words in Zipf order), plus ten rare words planted in
at most five files each. Also writes queries.json: ten English words, ten two-character
Chinese words found only inside longer words, ten four-character Chinese words and the
ten rare words.

usage: corpus.py OUT_DIR [FILES]   (the files go to OUT_DIR/corpus)
"""
import json
import os
import random
import sys

SEED = 20251211
COMMON_HANZI = (
    "的一是在不了有和人这中大为上个国我以要他时来用们生到作地于出就分对成会可主发年动同工"
    "也能下过子说产种面而方后多定行学法所民得经十三之进着等部度家电力里如水化高自二理起小物"
    "现实加量都两体制机当使点从业本去把性好应开它合还因由其些然前外天政四日那社义事平形相全"
    "表间样与关各重新线内数正心反你明看原又么利比或但质气第向道命此变条只没结解问意建月公无"
    "系军很情者最立代想已通并提直题党程展五果料象员革位入常文总次品式活设及管特件长求老头基"
    "资边流路级少图山统接知较将组见计别她手角期根论运农指几九区强放决西被干做必战先回则任取"
    "据处队南给色光门即保治北造百规热领七海口东导器压志世金增争济阶油思术极交受联什认六共权"
    "收证改清美再采转更单风切打白教速花带安场身车例真务具万每目至达走积示议声报斗完类八离华"
    "名确才科张信马节话米整空元况今集温传土许步群广石记需段研界拉林律叫且究观越织装影算低持"
    "音众书布复容儿须际商非验连断深难近矿千周委素技备半办青省列习响约支般史感劳便团往酸历市"
    "克何除消构府称太准精值号率族维划选标写存候毛亲快效斯院查江型眼王按格养易置派层片始却专"
    "状育厂京识适属圆包火住调满县局照参红细引听该铁价严龙飞帆顺")
ENGLISH_STEMS = [
    "account", "balance", "contract", "deliver", "estimate", "finance", "garden", "harbor",
    "invoice", "journey", "kitchen", "ledger", "market", "notice", "office", "payment",
    "quarter", "receipt", "station", "ticket", "update", "voyage", "window", "yellow",
    "zenith", "anchor", "bridge", "candle", "doctor", "engine", "forest", "gallery",
    "hotel", "island", "jacket", "kernel", "lantern", "meadow", "number", "orange",
    "pencil", "question", "river", "silver", "tunnel", "umbrella", "valley", "winter",
    "yard", "zebra", "about", "after", "again", "always", "answer", "before", "began",
    "better", "between", "bring", "build", "carry", "change", "close", "could", "country",
    "during", "early", "earth", "every", "family", "father", "field", "first", "follow",
    "found", "friend", "great", "group", "happen", "heard", "house", "important", "large",
    "learn", "letter", "light", "little", "mother", "mountain", "never", "night", "often",
    "other", "paper", "people", "picture", "place", "plant", "point", "right", "school",
    "second", "should", "small", "sound", "spell", "start", "state", "still", "story",
    "study", "their", "there", "these", "thing", "think", "three", "through", "together",
    "under", "until", "water", "where", "which", "while", "world", "would", "write", "young",
]
RARE_WORDS = ["zorblaxite", "quillfenrow", "vantrobule", "mirthwaxen", "glossendrap",
              "trebbulon", "peskavoid", "ulmarquine", "frondelith", "kwazzimott"]


def zipf_weights(n):
    return [1.0 / (rank + 1) for rank in range(n)]


def make_vocabularies(rng):
    chinese = set()
    while len(chinese) < 300:
        size = 2 if len(chinese) % 2 == 0 else 4
        chinese.add("".join(rng.choice(COMMON_HANZI) for _ in range(size)))
    chinese = sorted(chinese)
    rng.shuffle(chinese)
    english = set(ENGLISH_STEMS)
    suffixes = ["", "s", "ed", "ing", "er", "ly", "ness", "ment"]
    while len(english) < 350:
        english.add(rng.choice(ENGLISH_STEMS) + rng.choice(suffixes[1:]))
    english = sorted(english)
    rng.shuffle(english)
    return chinese, english


def cumulative(weights):
    total, result = 0.0, []
    for w in weights:
        total += w
        result.append(total)
    return result


def chinese_text(rng, vocab, weights, target):
    parts, size = [], 0
    while size < target:
        sentence = "".join(rng.choices(vocab, cum_weights=weights, k=rng.randint(4, 12)))
        sentence += rng.choice("，。！？")
        parts.append(sentence)
        size += len(sentence.encode())
    return "".join(parts)


def english_text(rng, vocab, weights, target):
    words, size = [], 0
    for word in rng.choices(vocab, cum_weights=weights, k=target):
        if size >= target:
            break
        if rng.random() < 0.08:
            word += rng.choice([",", ".", "."])
        words.append(word)
        size += len(word) + 1
    return " ".join(words)


def main():
    out = sys.argv[1]
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 10000
    rng = random.Random(SEED)
    chinese, english = make_vocabularies(rng)
    cw, ew = cumulative(zipf_weights(len(chinese))), cumulative(zipf_weights(len(english)))
    corpus = os.path.join(out, "corpus")
    texts = []
    for i in range(count):
        target = rng.randint(2048, 8192)
        if i % 2 == 0:
            text = chinese_text(rng, chinese, cw, target)
        else:
            text = english_text(rng, english, ew, target)
        texts.append(text)
    # Ten rare words, each in one to five English files.
    for word in RARE_WORDS:
        for i in rng.sample(range(1, count, 2), rng.randint(1, 5)):
            texts[i] = texts[i] + " " + word + "."
    for i, text in enumerate(texts):
        folder = os.path.join(corpus, "%02d" % (i % 50))
        os.makedirs(folder, exist_ok=True)
        data = text.encode()
        if len(data) > 8192:  # keep every file within 2-8 KB
            data = data[:8192].decode("utf-8", "ignore").encode()
        with open(os.path.join(folder, "doc%05d.txt" % i), "wb") as f:
            f.write(data)

    four = [w for w in chinese if len(w) == 4]
    two = set(w for w in chinese if len(w) == 2)
    inner = []
    for word in four:  # a pair met only inside longer words
        pair = word[1:3]
        if pair not in two and pair not in inner:
            inner.append(pair)
    queries = {
        "english": [english[i] for i in (0, 1, 3, 7, 15, 30, 60, 120, 200, 340)],
        "chinese2": [inner[i] for i in (0, 1, 2, 4, 8, 16, 32, 50, 70, 90)],
        "chinese4": [four[i] for i in (0, 1, 3, 7, 15, 30, 60, 100, 130, 149)],
        "rare": RARE_WORDS,
    }
    with open(os.path.join(out, "queries.json"), "w") as f:
        json.dump(queries, f, ensure_ascii=False, indent=1)


if __name__ == "__main__":
    main()
